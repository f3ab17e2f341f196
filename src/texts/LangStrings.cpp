#include "texts/LangStrings.h"

#include <algorithm>
#include <span>

// The two pieces the table leaves to us: where the maker's dealers are listed (inside
// WizardSafetyInformation) and the line that closes AboutDescription. Macros, so that they join
// the literals below.
#define ORVANEL_MAKER_WEB_ADDRESS u8"www.bravanto.com"
#define ORVANEL_CLOSING_LINE u8"Copyright © BRAVANTO - tutti i diritti riservati."

namespace {

struct TTextEntry {
  int Id;
  const char8_t* Text;
};

struct TNamedEntry {
  TNamedText Id;
  const char8_t* Text;
};

struct TFixedEntry {
  TFixedText Id;
  const char* Text;
};

// One edition of the table: what the program shows in one language. Another edition is another
// pair of tables beside the Italian ones, checked as they are and chosen in Edition(); no caller
// changes.
struct TTextEdition {
  std::span<const TTextEntry> Texts;   // every text of kAllTexts once, by number, in that order
  std::span<const TNamedEntry> Named;  // every named text once, in the order of TNamedText
};

// By the table's numbers, which the names of TextIds.h stand for. UTF-8, byte for byte as shown
// on screen: several entries are pieces of longer messages and keep their leading or trailing
// blanks, and a few use the typographic apostrophe on purpose.
constexpr TTextEntry kItalianTexts[] = {
    {65152, u8"Aggiornamento firmware"},
    {65153, u8"Benvenuto all'aggiornamento Orvanel"},
    {65154,
     u8"I file devono essere scaricati esclusivamente dal sito web BRAVANTO.\r\n\r\nDigitare il "
     u8"codice di sicurezza."},
    {65155, u8"Codice di sicurezza:"},
    {65156, u8"Informazioni di sicurezza"},
    {65157,
     u8"BRAVANTO offre un supporto costante alla famiglia di computer subacquei Orvanel. A seconda "
     u8"del software attualmente installato sul computer subacqueo in uso, l'aggiornamento che si "
     u8"sta per scaricare sul computer aggiungerà nuove funzioni o apporterà alcune modifiche a "
     u8"funzioni già presenti. Si prega di leggere con attenzione le note informative relative "
     u8"all'aggiornamento disponibili sul sito web di scaricamento e di stamparne una copia da "
     u8"conservare per riferimento futuro.\r\n\r\nUna volta installato l'aggiornamento, il "
     u8"computer subacqueo potrà essere utilizzato solo dopo aver letto e compreso appieno le note "
     u8"informative e le modifiche introdotte dall'aggiornamento stesso. Per qualsiasi domanda, "
     u8"rivolgersi al rivenditore autorizzato BRAVANTO di zona. L'elenco dei rivenditori "
     u8"autorizzati, che effettuano l'assistenza tecnica dei prodotti, è reperibile sul sito "
     u8"web"
     u8" " ORVANEL_MAKER_WEB_ADDRESS u8". La mancata lettura delle note informative e/o la mancata "
     u8"comprensione delle modifiche introdotte da questo aggiornamento "
     u8"può comportare rischi durante l'immersione con conseguenze gravi "
     u8"o mortali."},
    {65158,
     u8"Dichiaro di aver letto, stampato e compreso appieno le note informative relative a questo "
     u8"aggiornamento. Comprendo chiaramente in che modo l'aggiornamento aggiungerà nuove funzioni "
     u8"e/o modificherà funzioni già presenti sul computer. Ho letto e compreso anche le "
     u8"Informazioni di sicurezza accluse."},
    {65159,
     u8"Confermo che intendo utilizzare questo aggiornamento sul computer subacqueo in mio "
     u8"possesso."},
    {65160,
     u8"Verificare che Orvanel sia acceso e che la chiave infrarossi sia posizionata correttamente "
     u8"davanti ad esso.\r\n\r\nNon spostare Orvanel durante il processo di aggiornamento. Lo "
     u8"spostamento potrebbe interrompere il collegamento infrarossi e impedire l'aggiornamento"},
    {65161,
     u8"Fare clic su Continua per uscire dalla procedura guidata ed avviare il processo di "
     u8"aggiornamento..."},
    {65162, u8"Completare l'aggiornamento firmware in un altro momento. A presto."},
    {65163, u8"&Annulla"},
    {65164, u8"&Indietro"},
    {65165, u8"&Avanti"},
    {65166, u8"&Continua"},
    {65168, u8"File non valido, scaricamento non consentito!"},
    {65169, u8"Ordine immagini corrotto "},
    {65170, u8" - uscire da contesto immagini! "},
    {65171, u8"Indice immagini corrotto – uscire da contesto immagini! "},
    {65172, u8"Il file è già aperto, chiuderlo! "},
    {65173, u8"Formato file immagine sconosciuto"},
    {65174, u8"Impossibile creare cartella!"},
    {65175, u8"La directory non è vuota!"},
    {65176,
     u8"Il trasferimento a infrarossi non progredisce – comunicazione interrotta o non pronta!"},
    {65177, u8"Rilevato Orvanel"},
    {65178, u8"Lettura"},
    {65179, u8"Scrittura"},
    {65180, u8"Comunicazione infrarossi non riuscita. Verificare che Orvanel sia acceso."},
    {65181, u8"Aggiornamento firmware completato!"},
    {65182, u8"Collegato computer errato – questo strumento supporta solo Orvanel!"},
    {65183, u8"Azione infrarossi non supportata!"},
    {65184, u8"La versione software scelta e’ gia’ presente su Orvanel - continua?"},
    {65185, u8"Esci"},
    {65186, u8"Pulisci memoria inutilizzata"},
    {65187, u8"Scrittura firmware su Orvanel"},
    {65188, u8"Scrittura immagine su Orvanel"},
    {65189, u8"Scrittura nuova lingua su Orvanel"},
    {65190, u8"Orvanel attivato - comunicazione a infrarossi attivata"},
    {65191, u8"Orvanel disattivato - accendere Orvanel per attivare la comunicazione a infrarossi"},
    {65192, u8"Lettura directory immagini"},
    {65193, u8"Lettura di tutte le immagini Orvanel"},
    {65194, u8"Eliminazione immagine"},
    {65195, u8"Eliminazione lingua"},
    {65196, u8"Imposta nuova immagine iniziale"},
    {65197, u8"Imposta file lingua iniziale"},
    {65198, u8"Errore di avvio DLL Windows Sockets!"},
    {65199, u8"Attendere. Chiusura della comunicazione a infrarossi"},
    {65200, u8"Importa lingua"},
    {65201, u8"Importa lingua"},
    {65202, u8"Lingue preimpostate"},
    {65203, u8"Lingue aggiuntive"},
    {65204, u8"Scrivi lingua importata su Orvanel"},
    {65205, u8"Lingua impostata"},
    {65206, u8"Vuoi utilizzare la lingua selezionata come nuova lingua impostata?"},
    {65207, u8"Software"},
    {65208, u8"Aggiornamento software"},
    {65209, u8"File software selezionato"},
    {65210, u8"Descrizione"},
    {65211, u8"Checksum"},
    {65212, u8"Importa firmware/key"},
    {65213, u8"Importa firmware"},
    {65214, u8"Scrivi software importato su Orvanel"},
    {65215,
     u8"La batteria non e’ sufficientemente carica per portare a termine l’aggiornamento - minimo "
     u8"richiesto: cinque segmenti!"},
    {65216, u8"Si desidera salvare tutte le immagini Orvanel selezionate come "},
    {65217, u8" nel percorso "},
    {65218, u8"Si desidera eliminare tutte le immagini Orvanel selezionate?"},
    {65219, u8"Si desidera salvare il testo come "},
    {65220,
     u8"Si desidera impostare l'immagine in anteprima come nuova immagine iniziale di Orvanel?"},
    {65221, u8"Indice immagini di default non valido."},
    {65222, u8" immagine/i selezionata/e"},
    {65223, u8"Disco"},
    {65224, u8"non disponibile"},
    {65225, u8"Lingue"},
    {65226, u8"Risorse del computer"},
    {65227, u8"Aggiungi lingua"},
    {65228, u8"Seleziona file lingua"},
    {65229, u8"Versione"},
    {65230, u8"Lingua"},
    {65231, u8"Dimensioni"},
    {65232, u8"File immagine"},
    {65233, u8"Regolazione scala di grigi"},
    {65234, u8"nero"},
    {65235, u8"grigio"},
    {65236, u8"bianco"},
    {65237, u8"chiaro"},
    {65238, u8"default"},
    {65239, u8"scuro"},
    {65240, u8"immagine Orvanel"},
    {65241, u8"immagine iniziale"},
    {65242, u8"Elimina"},
    {65243, u8"Orvanel"},
    {65244, u8"Immagini preimpostate"},
    {65245, u8"Immagini Orvanel"},
    {65246, u8"Scrivi immagine in anteprima su Orvanel"},
    {65247, u8"Salva immagine/i Orvanel selezionata/e su Risorse del computer"},
    {65248, u8"Impostazione Orvanel"},
    {65249, u8"Informazioni"},
    {65250, u8"Estensione per Orvanel"},
    {65251,
     u8"Benvenuto all'applicazione di impostazione avanzata di Orvanel. Versione "
     u8"1.201\r\n\r\nQuesta applicazione consente di\r\n\r\n- caricare e scaricare immagini su e "
     u8"da Orvanel \r\n- caricare lingue aggiuntive dal sito web \r\n- scaricare l'ultima versione "
     u8"del firmware e aggiornare Orvanel \r\n\r\nAccendere Orvanel e posizionarlo davanti alla "
     u8"chiave infrarossi per stabilire correttamente un collegamento infrarossi. Il simbolo "
     u8"infrarossi nell'angolo inferiore sinistro si illumina in verde. Non interrompere il "
     u8"collegamento infrarossi durante il caricamento/scaricamento. \r\nNOTA: questa applicazione "
     u8"supporta esclusivamente i computer subacquei Orvanel BRAVANTO. Non può essere utilizzata "
     u8"con nessun altro computer BRAVANTO."
     u8"\r\n\r\n" ORVANEL_CLOSING_LINE},
    {65252, u8"Immagini"},
    {65253, u8"immagini"},
    {65254, u8"Importa immagini"},
    {65255, u8"Importa testo"},
    {65256, u8"Editor di testo"},
    {65257, u8"Cancella"},
    {65258, u8"Nome del file"},
    {65259, u8"Salva"},
    {65260, u8"Nuova cartella"},
    {65261, u8"Applica"},
    {65262, u8"Immagine originale"},
    {65263, u8"anteprima non disponibile"},
};

// The lookup below relies on every edition holding each text once, in ascending order.
constexpr bool CoversEveryText(std::span<const TTextEntry> texts) {
  return std::ranges::equal(texts, kAllTexts, [](const TTextEntry& entry, TText text) {
    return entry.Id == static_cast<int>(text);
  });
}
static_assert(CoversEveryText(kItalianTexts));

constexpr TNamedEntry kItalianNamedTexts[] = {
    {TNamedText::WarningCaption, u8"Attenzione"},
    {TNamedText::ErrorCaption, u8"Errore"},
    {TNamedText::InformationCaption, u8"Informazione"},
    {TNamedText::ConfirmationCaption, u8"Conferma"},
    {TNamedText::YesButton, u8"&Sì"},
    {TNamedText::NoButton, u8"&No"},
    {TNamedText::OkButton, u8"OK"},
    {TNamedText::TransferProgressName, u8"Avanzamento del trasferimento"},
    {TNamedText::FontButtonName, u8"Carattere"},
    {TNamedText::LineSpacingName, u8"Interlinea"},
    {TNamedText::FileTypeName, u8"Tipo di file"},
    {TNamedText::DisclaimerTitle, u8"Disclaimer"},
    {TNamedText::UnknownErrorMessage, u8"Errore sconosciuto"},
    {TNamedText::ToolkitTranslation, u8"qtbase_it"},
};

// Plain ASCII, the same in every edition.
constexpr TFixedEntry kFixedTexts[] = {
    {TFixedText::ApplicationTitle, "Orvanel Config"},
    {TFixedText::NoValue, "---"},
    {TFixedText::WriteArrow, ">>"},
    {TFixedText::SaveArrow, "<<"},
    {TFixedText::FontButtonFace, "A"},
    {TFixedText::LanguageFileFilter, "Binary File (*.bin)"},
    {TFixedText::FirmwareFileFilter, "Encrypted File (*.enc *.ENC)"},
    {TFixedText::BitmapFileType, "Bitmap (*.bmp)"},
    {TFixedText::JpegFileType, "JPEG (*.jpg)"},
    {TFixedText::TiffFileType, "TIF (*.tif)"},
    {TFixedText::GifFileType, "GIF (*.gif)"},
};

// Texts without a number are looked up by position: entry i must name the i-th text, and every
// text must be there.
template <typename TEntry>
constexpr bool ListsEachInOrder(std::span<const TEntry> entries, std::size_t count) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (static_cast<std::size_t>(entries[i].Id) != i) return false;
  }
  return entries.size() == count;
}
static_assert(ListsEachInOrder<TNamedEntry>(kItalianNamedTexts, kNamedTextCount));
static_assert(ListsEachInOrder<TFixedEntry>(kFixedTexts, kFixedTextCount));

constexpr TTextEdition kItalian{kItalianTexts, kItalianNamedTexts};

// The edition the program shows.
const TTextEdition& Edition() {
  return kItalian;
}

const TTextEntry* Find(int id) {
  const std::span<const TTextEntry> texts = Edition().Texts;
  const auto it = std::ranges::lower_bound(texts, id, {}, &TTextEntry::Id);
  return it != texts.end() && it->Id == id ? &*it : nullptr;
}

}  // namespace

QString LangString(TText text) {
  return LangString(static_cast<int>(text));
}

QString LangString(TNamedText text) {
  return QString::fromUtf8(Edition().Named[static_cast<std::size_t>(text)].Text);
}

QString LangString(TFixedText text) {
  return QString::fromLatin1(kFixedTexts[static_cast<std::size_t>(text)].Text);
}

QString LangString(int id) {
  const TTextEntry* entry = Find(id);
  return entry ? QString::fromUtf8(entry->Text) : QString();
}

bool HasLangString(int id) {
  return Find(id) != nullptr;
}

namespace LangStrings {

QString MakerWebAddress() {
  return QString::fromUtf8(ORVANEL_MAKER_WEB_ADDRESS);
}

QString ByteCountText(qsizetype bytes) {
  return QStringLiteral("%1 Bytes").arg(bytes);
}

QString WizardBackCaption() {
  return QStringLiteral("< ") + LangString(TText::BackButton);
}
QString WizardNextCaption() {
  return LangString(TText::NextButton) + QStringLiteral(" >");
}
QString WizardContinueCaption() {
  return LangString(TText::ContinueButton) + QStringLiteral(" >");
}
QString DeleteLanguageQuestion() {
  return LangString(TText::DeleteLanguageStatus) + QStringLiteral("?");
}

QString SelectedPicturesText(int count) {
  return QString::number(count) + LangString(TText::SelectedPicturesPart);
}

QString PictureCountText(int count) {
  return QString::number(count) + QStringLiteral(" ") + LangString(TText::PictureCountPart);
}

QString CorruptCatalogueMessage(int index) {
  return LangString(TText::CorruptCatalogueStart) + QString::number(index) +
         LangString(TText::CorruptCatalogueEnd);
}

QString ExportPicturesQuestion(const QString& mask, const QString& folder) {
  return LangString(TText::ExportPicturesQuestionStart) + mask +
         LangString(TText::QuestionFolderPart) + folder + QStringLiteral("?");
}

QString SaveTextQuestion(const QString& fileName, const QString& folder) {
  return LangString(TText::SaveTextQuestionStart) + fileName +
         LangString(TText::QuestionFolderPart) + folder + QStringLiteral(" ?");
}

QString DriveNotReadyMessage(QChar driveLetter) {
  return DriveNotReadyMessage(QString(driveLetter.toUpper()));
}

QString DriveNotReadyMessage(const QString& drive) {
  return LangString(TText::DriveNotReadyStart) + QStringLiteral(" ") + drive +
         QStringLiteral(":  ") + LangString(TText::DriveNotReadyEnd) + QStringLiteral("!");
}

}  // namespace LangStrings
