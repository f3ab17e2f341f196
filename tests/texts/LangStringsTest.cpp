#include <gtest/gtest.h>

#include <QByteArray>
#include <set>

#include "texts/LangStrings.h"

namespace {

QByteArray Utf8(int id) {
  return LangString(id).toUtf8();
}

TEST(LangStrings, EveryNumberOfTheRangeButOneIsAText) {
  int count = 0;
  for (int id = kFirstLangString; id <= kLastLangString; ++id) {
    if (id == 65167) continue;
    EXPECT_TRUE(HasLangString(id)) << id;
    EXPECT_FALSE(LangString(id).isEmpty()) << id;
    EXPECT_FALSE(LangString(id).contains(QChar::ReplacementCharacter)) << id;
    ++count;
  }
  EXPECT_EQ(count, 111);
}

// The names and the table's numbers are one to one: each name's text is there, and no number of
// the table goes without a name.
TEST(LangStrings, EveryNameHasATextAndEveryNumberAName) {
  std::set<int> named;
  for (const TText text : kAllTexts) {
    const int id = static_cast<int>(text);
    EXPECT_TRUE(HasLangString(id)) << id;
    EXPECT_FALSE(LangString(text).isEmpty()) << id;
    EXPECT_TRUE(named.insert(id).second) << id << " has two names";
  }
  for (int id = kFirstLangString; id <= kLastLangString; ++id)
    EXPECT_EQ(named.count(id), HasLangString(id) ? 1u : 0u) << id;
}

TEST(LangStrings, TextsWithoutANumberAreThereToo) {
  for (std::size_t i = 0; i < kNamedTextCount; ++i)
    EXPECT_FALSE(LangString(static_cast<TNamedText>(i)).isEmpty()) << i;
  for (std::size_t i = 0; i < kFixedTextCount; ++i)
    EXPECT_FALSE(LangString(static_cast<TFixedText>(i)).isEmpty()) << i;
  EXPECT_EQ(LangString(TNamedText::TransferProgressName), "Avanzamento del trasferimento");
  EXPECT_EQ(LangString(TNamedText::LineSpacingName), "Interlinea");
  EXPECT_EQ(LangString(TNamedText::FileTypeName), "Tipo di file");
}

TEST(LangStrings, UnknownNumbersGiveAnEmptyText) {
  for (int id : {65167, 65151, 65264, 0, -1, 70000}) {
    EXPECT_FALSE(HasLangString(id)) << id;
    EXPECT_TRUE(LangString(id).isEmpty()) << id;
  }
}

TEST(LangStrings, AccentsAreUtf8AndTrailingBlankStays) {
  EXPECT_EQ(Utf8(65172), QByteArray("Il file \xC3\xA8 gi\xC3\xA0 aperto, chiuderlo! "));
  EXPECT_EQ(Utf8(65175), QByteArray("La directory non \xC3\xA8 vuota!"));
}

TEST(LangStrings, TypographicApostrophesWhereTheTextsHaveThem) {
  const QChar typographic(0x2019);
  EXPECT_EQ(LangString(65184).count(typographic), 2);
  EXPECT_EQ(LangString(65215).count(typographic), 2);
  EXPECT_FALSE(LangString(65184).contains('\''));
  EXPECT_FALSE(LangString(65215).contains('\''));
  EXPECT_EQ(Utf8(65184),
            QByteArray("La versione software scelta e\xE2\x80\x99 gia\xE2\x80\x99 presente su "
                       "Orvanel - continua?"));
  // And plain ones elsewhere.
  EXPECT_EQ(LangString(65220).count('\''), 1);
  EXPECT_EQ(LangString(65220).count(typographic), 0);
}

TEST(LangStrings, EnDashesAndHyphensAreNotMixedUp) {
  const QChar enDash(0x2013);
  for (int id : {65171, 65176, 65182}) EXPECT_TRUE(LangString(id).contains(enDash)) << id;
  for (int id : {65170, 65184, 65190, 65191, 65215}) {
    EXPECT_FALSE(LangString(id).contains(enDash)) << id;
  }
}

TEST(LangStrings, PiecesKeepTheirBlanks) {
  EXPECT_EQ(LangString(65169), "Ordine immagini corrotto ");
  EXPECT_EQ(LangString(65170), " - uscire da contesto immagini! ");
  EXPECT_TRUE(LangString(65171).endsWith("! "));
  EXPECT_TRUE(LangString(65216).endsWith("come "));
  EXPECT_EQ(LangString(65217), " nel percorso ");
  EXPECT_TRUE(LangString(65219).endsWith("come "));
  EXPECT_EQ(LangString(65222), " immagine/i selezionata/e");
  EXPECT_EQ(LangString(65200), LangString(65201));  // same words, separate entries
}

TEST(LangStrings, LineBreaksAreCarriageReturnLineFeed) {
  EXPECT_EQ(Utf8(65154),
            QByteArray("I file devono essere scaricati esclusivamente dal sito web BRAVANTO."
                       "\r\n\r\nDigitare il codice di sicurezza."));
  for (int id = kFirstLangString; id <= kLastLangString; ++id) {
    const QString text = LangString(id);
    EXPECT_EQ(text.count('\n'), text.count("\r\n")) << id;
    EXPECT_FALSE(text.contains("\\r") || text.contains("\\n")) << id;
  }
}

TEST(LangStrings, SafetyTextCarriesTheWebAddress) {
  const QString text = LangString(65157);
  const QString around = "sito web " + LangStrings::MakerWebAddress() + ". La mancata lettura";
  EXPECT_TRUE(text.contains(around));
  EXPECT_TRUE(text.endsWith("conseguenze gravi o mortali."));
  EXPECT_TRUE(LangStrings::MakerWebAddress().contains("bravanto", Qt::CaseInsensitive));
}

TEST(LangStrings, AboutTextEndsWithAClosingLineNamingTheMaker) {
  const QString text = LangString(65251);
  const QString body = "Non pu\u00F2 essere utilizzata con nessun altro computer BRAVANTO.\r\n\r\n";
  const qsizetype at = text.indexOf(body);
  ASSERT_GT(at, 0);
  const QString closing = text.mid(at + body.size());
  EXPECT_TRUE(closing.contains("BRAVANTO"));
  EXPECT_FALSE(closing.contains('\n'));
  EXPECT_TRUE(
      text.startsWith("Benvenuto all'applicazione di impostazione avanzata di Orvanel. "
                      "Versione 1.201\r\n\r\n"));
}

TEST(LangStrings, ComposedTexts) {
  using namespace LangStrings;
  EXPECT_EQ(WizardBackCaption(), "< &Indietro");
  EXPECT_EQ(WizardNextCaption(), "&Avanti >");
  EXPECT_EQ(WizardContinueCaption(), "&Continua >");
  EXPECT_EQ(DeleteLanguageQuestion(), "Eliminazione lingua?");
  EXPECT_EQ(SelectedPicturesText(3), "3 immagine/i selezionata/e");
  EXPECT_EQ(PictureCountText(12), "12 immagini");
  EXPECT_EQ(CorruptCatalogueMessage(3),
            "Ordine immagini corrotto 3 - uscire da contesto immagini! ");
  EXPECT_EQ(ExportPicturesQuestion("*.BMP", "C:\\Foto"),
            "Si desidera salvare tutte le immagini Orvanel selezionate come *.BMP nel percorso "
            "C:\\Foto?");
  EXPECT_EQ(SaveTextQuestion("Testo.bmp", "C:\\Foto"),
            "Si desidera salvare il testo come Testo.bmp nel percorso C:\\Foto ?");
  EXPECT_EQ(DriveNotReadyMessage('a'), "Disco A:  non disponibile!");
  EXPECT_EQ(DriveNotReadyMessage('E'), "Disco E:  non disponibile!");
}

TEST(LangStrings, MessageBoxWords) {
  EXPECT_EQ(LangString(TFixedText::ApplicationTitle), "Orvanel Config");
  EXPECT_EQ(LangString(TNamedText::WarningCaption), "Attenzione");
  EXPECT_EQ(LangString(TNamedText::ErrorCaption), "Errore");
  EXPECT_EQ(LangString(TNamedText::InformationCaption), "Informazione");
  EXPECT_EQ(LangString(TNamedText::ConfirmationCaption), "Conferma");
  EXPECT_EQ(LangString(TNamedText::YesButton).toUtf8(), QByteArray("&S\xC3\xAC"));
  EXPECT_EQ(LangString(TNamedText::NoButton), "&No");
  EXPECT_EQ(LangString(TNamedText::OkButton), "OK");
}

}  // namespace
