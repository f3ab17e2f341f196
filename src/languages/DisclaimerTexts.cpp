#include "languages/DisclaimerTexts.h"

#include <array>

namespace {

// One table per language, UTF-8. The maker's and the product's names stay as they are in every
// language. Each effect text keeps the English layout: the lead-in, then two items on lines of
// their own that start with "  - ", so that every language reads as the same list.

// Simplified Chinese.
constexpr TDisclaimerTexts kSimplifiedChinese{
    .Intro =
        u8"BRAVANTO 致力于为旗下 Orvanel 潜水电脑系列提供持续支持。您即将下载并安装到潜水电脑上"
        u8"的语言并非出厂预装语言，因此原包装中不含该语言的印刷版产品手册。如需了解您即将下载的"
        u8"语言版本的手册，请联系相关国家或地区的 BRAVANTO 产品官方经销商。BRAVANTO 对此类翻译"
        u8"中的任何错误或遗漏不承担任何责任。",
    .Confirm =
        u8"我确认：我希望下载并安装一种非出厂预装的语言，并且我必须联系相关经销商获取用户手册。",
    .Effect =
        u8"选择新语言后，Orvanel 的功能将受到以下影响： \r\n"
        u8"  - 潜水过程中触发的所有警告和警报都将以新语言显示。 \r\n"
        u8"  - 水面模式下的所有菜单和设置都将以新语言显示。",
    .Understand = u8"我已明确了解此新语言将如何影响我的潜水电脑上已有的功能。",
};

// Korean.
constexpr TDisclaimerTexts kKorean{
    .Intro =
        u8"BRAVANTO는 Orvanel 다이브 컴퓨터 제품군을 지속적으로 지원하기 위해 최선을 다하고 "
        u8"있습니다. 지금 다운로드하여 다이브 컴퓨터에 설치하려는 언어는 출고 시 기본으로 "
        u8"설치되는 언어가 아니므로, 이 언어로 된 인쇄본 제품 설명서는 원래 구성품에 포함되어 "
        u8"있지 않습니다. 다운로드하려는 언어로 된 설명서에 관한 정보는 해당 국가의 BRAVANTO "
        u8"제품 공식 대리점에 문의하십시오. BRAVANTO는 이러한 번역의 오류나 누락에 대해 어떠한 "
        u8"책임도 지지 않습니다.",
    .Confirm =
        u8"본인은 출고 시 설치되지 않은 언어를 다운로드하여 설치하고자 하며, 사용 설명서는 "
        u8"해당 대리점에 문의해야 한다는 것을 확인합니다.",
    .Effect =
        u8"새 언어를 선택하면 Orvanel의 기능이 다음과 같이 달라집니다: \r\n"
        u8"  - 다이빙 중에 발생하는 모든 경고와 알람이 새 언어로 표시됩니다. \r\n"
        u8"  - 수면 모드의 모든 메뉴와 설정이 새 언어로 표시됩니다.",
    .Understand =
        u8"본인은 이 새 언어가 본인의 다이브 컴퓨터에 이미 있는 기능에 어떤 영향을 미치는지 "
        u8"분명히 이해합니다.",
};

// Russian.
constexpr TDisclaimerTexts kRussian{
    .Intro =
        u8"Компания BRAVANTO привержена постоянной поддержке своего семейства "
        u8"подводных компьютеров Orvanel. Язык, который вы собираетесь загрузить и установить "
        u8"на свой подводный компьютер, не входит в число предустановленных на заводе, поэтому "
        u8"печатное руководство по эксплуатации на этом языке не входило в исходный комплект "
        u8"поставки. За информацией о руководстве на языке, который вы собираетесь загрузить, "
        u8"обращайтесь к официальному дистрибьютору продукции BRAVANTO в соответствующей "
        u8"стране. Компания BRAVANTO не несёт никакой ответственности за ошибки или пропуски в "
        u8"таком переводе.",
    .Confirm =
        u8"Я подтверждаю, что хочу загрузить и установить язык, который не был установлен на "
        u8"заводе, и что за руководством пользователя мне необходимо обратиться к "
        u8"соответствующему дистрибьютору.",
    .Effect =
        u8"При выборе нового языка работа Orvanel изменяется следующим образом: \r\n"
        u8"  - все предупреждения и сигналы тревоги, срабатывающие во время погружения, будут "
        u8"отображаться на новом языке; \r\n"
        u8"  - все меню и настройки в режиме поверхности будут отображаться на новом языке.",
    .Understand =
        u8"Я в полной мере понимаю, как этот новый язык повлияет на функции, уже имеющиеся в "
        u8"моём подводном компьютере.",
};

// Polish.
constexpr TDisclaimerTexts kPolish{
    .Intro =
        u8"Firma BRAVANTO zobowiązuje się do stałego wspierania rodziny komputerów nurkowych "
        u8"Orvanel. Język, który zamierzasz pobrać i zainstalować na swoim komputerze "
        u8"nurkowym, nie należy do języków instalowanych fabrycznie, w związku z czym "
        u8"drukowana instrukcja obsługi w tym języku nie została dołączona do oryginalnego "
        u8"zestawu. Aby uzyskać informacje o instrukcji w języku, który zamierzasz pobrać, "
        u8"skontaktuj się z oficjalnym dystrybutorem produktów BRAVANTO w danym kraju. Firma "
        u8"BRAVANTO nie ponosi żadnej odpowiedzialności za jakiekolwiek błędy lub pominięcia w "
        u8"takim tłumaczeniu.",
    .Confirm =
        u8"Potwierdzam, że chcę pobrać i zainstalować język, który nie został zainstalowany "
        u8"fabrycznie, oraz że w sprawie instrukcji obsługi muszę skontaktować się z właściwym "
        u8"dystrybutorem.",
    .Effect =
        u8"Wybór nowego języka wpływa na działanie komputera Orvanel w następujący sposób: \r\n"
        u8"  - wszystkie ostrzeżenia i alarmy wywołane podczas nurkowania będą wyświetlane w "
        u8"nowym języku. \r\n"
        u8"  - wszystkie menu i ustawienia w trybie powierzchniowym będą wyświetlane w nowym "
        u8"języku.",
    .Understand =
        u8"W szczególności rozumiem, w jaki sposób ten nowy język wpłynie na funkcje już "
        u8"dostępne w moim komputerze nurkowym.",
};

// Danish.
constexpr TDisclaimerTexts kDanish{
    .Intro =
        u8"BRAVANTO forpligter sig til fortsat at yde support til sin Orvanel-serie af "
        u8"dykkercomputere. Det sprog, du er ved at downloade og installere på din "
        u8"dykkercomputer, er ikke forudinstalleret fra fabrikken, og den trykte produktmanual "
        u8"på dette sprog var derfor ikke med i den oprindelige pakke. For oplysninger om en "
        u8"manual på det sprog, du er ved at downloade, bedes du kontakte den officielle "
        u8"distributør af BRAVANTO-produkter i det pågældende land. BRAVANTO påtager sig intet "
        u8"ansvar for fejl eller udeladelser i en sådan oversættelse.",
    .Confirm =
        u8"Jeg bekræfter, at jeg ønsker at downloade og installere et sprog, der ikke er "
        u8"installeret fra fabrikken, og at jeg skal kontakte den relevante distributør for at "
        u8"få en brugervejledning.",
    .Effect =
        u8"Når du vælger et nyt sprog, påvirkes funktionen af Orvanel på følgende måder: \r\n"
        u8"  - alle advarsler og alarmer, der udløses under dykket, vises på det nye "
        u8"sprog. \r\n"
        u8"  - alle menuer og indstillinger i overfladetilstand vises på det nye sprog.",
    .Understand =
        u8"Jeg forstår udtrykkeligt, hvordan dette nye sprog vil påvirke funktioner, der "
        u8"allerede findes på min dykkercomputer.",
};

// Greek.
constexpr TDisclaimerTexts kGreek{
    .Intro =
        u8"Η BRAVANTO δεσμεύεται για τη συνεχή υποστήριξη της οικογένειας καταδυτικών "
        u8"υπολογιστών Orvanel. Η γλώσσα που πρόκειται να κατεβάσετε και να εγκαταστήσετε στον "
        u8"καταδυτικό σας υπολογιστή δεν είναι προεγκατεστημένη από το εργοστάσιο και, κατά "
        u8"συνέπεια, το έντυπο εγχειρίδιο του προϊόντος σε αυτή τη γλώσσα δεν περιλαμβανόταν "
        u8"στην αρχική συσκευασία. Για πληροφορίες σχετικά με το εγχειρίδιο στη γλώσσα που "
        u8"πρόκειται να κατεβάσετε, επικοινωνήστε με τον επίσημο διανομέα των προϊόντων "
        u8"BRAVANTO στην αντίστοιχη χώρα. Η BRAVANTO δεν φέρει καμία ευθύνη για τυχόν λάθη ή "
        u8"παραλείψεις σε μια τέτοια μετάφραση.",
    .Confirm =
        u8"Επιβεβαιώνω ότι επιθυμώ να κατεβάσω και να εγκαταστήσω μια γλώσσα που δεν ήταν "
        u8"εγκατεστημένη από το εργοστάσιο και ότι πρέπει να επικοινωνήσω με τον αρμόδιο "
        u8"διανομέα για το εγχειρίδιο χρήσης.",
    .Effect =
        u8"Με την επιλογή μιας νέας γλώσσας, η λειτουργία του Orvanel επηρεάζεται ως εξής: \r\n"
        u8"  - όλες οι προειδοποιήσεις και οι συναγερμοί που ενεργοποιούνται κατά τη διάρκεια "
        u8"της κατάδυσης θα εμφανίζονται στη νέα γλώσσα· \r\n"
        u8"  - όλα τα μενού και οι ρυθμίσεις της λειτουργίας επιφάνειας θα εμφανίζονται στη "
        u8"νέα γλώσσα.",
    .Understand =
        u8"Κατανοώ πλήρως πώς αυτή η νέα γλώσσα θα επηρεάσει τις λειτουργίες που ήδη υπάρχουν "
        u8"στον καταδυτικό μου υπολογιστή.",
};

// Portuguese.
constexpr TDisclaimerTexts kPortuguese{
    .Intro =
        u8"A BRAVANTO está empenhada em continuar a apoiar a sua família de computadores de "
        u8"mergulho Orvanel. O idioma que está prestes a transferir e instalar no seu "
        u8"computador de mergulho não vem pré-instalado de fábrica e, por conseguinte, o "
        u8"manual impresso do produto neste idioma não fazia parte da embalagem original. Para "
        u8"obter informações sobre um manual no idioma que está prestes a transferir, contacte "
        u8"o distribuidor oficial dos produtos BRAVANTO no respetivo país. A BRAVANTO não "
        u8"assume qualquer responsabilidade por eventuais erros ou omissões em tal tradução.",
    .Confirm =
        u8"Confirmo que pretendo transferir e instalar um idioma que não foi instalado de "
        u8"fábrica e que devo contactar o distribuidor competente para obter um manual do "
        u8"utilizador.",
    .Effect =
        u8"Ao selecionar um novo idioma, o funcionamento do Orvanel é afetado das seguintes "
        u8"formas: \r\n"
        u8"  - todos os avisos e alarmes acionados durante o mergulho serão apresentados no "
        u8"novo idioma. \r\n"
        u8"  - todos os menus e definições do modo de superfície serão apresentados no novo "
        u8"idioma.",
    .Understand =
        u8"Compreendo expressamente de que forma este novo idioma afetará as funções já "
        u8"existentes no meu computador de mergulho.",
};

// Romanian.
constexpr TDisclaimerTexts kRomanian{
    .Intro =
        u8"BRAVANTO se angajează să ofere în continuare asistență pentru familia sa de "
        u8"computere de scufundare Orvanel. Limba pe care urmează să o descărcați și să o "
        u8"instalați pe computerul dumneavoastră de scufundare nu este preinstalată din "
        u8"fabrică și, în consecință, manualul tipărit al produsului în această limbă nu a "
        u8"făcut parte din pachetul original. Pentru informații privind un manual în limba pe "
        u8"care urmează să o descărcați, vă rugăm să contactați distribuitorul oficial al "
        u8"produselor BRAVANTO din țara respectivă. BRAVANTO nu își asumă nicio "
        u8"responsabilitate pentru eventualele erori sau omisiuni dintr-o astfel de traducere.",
    .Confirm =
        u8"Confirm că doresc să descarc și să instalez o limbă care nu a fost instalată din "
        u8"fabrică și că trebuie să contactez distribuitorul competent pentru un manual de "
        u8"utilizare.",
    .Effect =
        u8"La selectarea unei limbi noi, funcționarea computerului Orvanel este afectată după "
        u8"cum urmează: \r\n"
        u8"  - toate avertismentele și alarmele declanșate în timpul scufundării vor fi "
        u8"afișate în noua limbă. \r\n"
        u8"  - toate meniurile și setările din modul de suprafață vor fi afișate în noua limbă.",
    .Understand =
        u8"Înțeleg în mod expres modul în care această limbă nouă va afecta funcțiile deja "
        u8"existente pe computerul meu de scufundare.",
};

// Finnish.
constexpr TDisclaimerTexts kFinnish{
    .Intro =
        u8"BRAVANTO on sitoutunut tukemaan jatkossakin Orvanel-sukellustietokoneiden "
        u8"tuoteperhettään. Kieli, jonka olet aikeissa ladata ja asentaa "
        u8"sukellustietokoneeseesi, ei kuulu tehtaalla esiasennettuihin kieliin, joten "
        u8"tämänkielinen painettu tuotekäsikirja ei sisältynyt alkuperäiseen pakkaukseen. Jos "
        u8"haluat tietoja käyttöoppaasta kielellä, jonka olet aikeissa ladata, ota yhteyttä "
        u8"BRAVANTO-tuotteiden viralliseen maahantuojaan kyseisessä maassa. BRAVANTO ei ota "
        u8"mitään vastuuta tällaisen käännöksen mahdollisista virheistä tai puutteista.",
    .Confirm =
        u8"Vahvistan, että haluan ladata ja asentaa kielen, jota ei ole asennettu tehtaalla, "
        u8"ja että minun on otettava yhteyttä asianomaiseen maahantuojaan saadakseni "
        u8"käyttöoppaan.",
    .Effect =
        u8"Uuden kielen valinta vaikuttaa Orvanel-laitteen toimintaan seuraavasti: \r\n"
        u8"  - kaikki sukelluksen aikana laukeavat varoitukset ja hälytykset näytetään uudella "
        u8"kielellä. \r\n"
        u8"  - kaikki pintatilan valikot ja asetukset näytetään uudella kielellä.",
    .Understand =
        u8"Ymmärrän nimenomaisesti, miten tämä uusi kieli vaikuttaa sukellustietokoneessani jo "
        u8"oleviin toimintoihin.",
};

// Czech.
constexpr TDisclaimerTexts kCzech{
    .Intro =
        u8"Společnost BRAVANTO se zavazuje k trvalé podpoře své řady potápěčských počítačů "
        u8"Orvanel. Jazyk, který se chystáte stáhnout a nainstalovat do svého potápěčského "
        u8"počítače, není z výroby předinstalován, a proto tištěná příručka k výrobku v tomto "
        u8"jazyce nebyla součástí původního balení. Pro informace o příručce v jazyce, který "
        u8"se chystáte stáhnout, se prosím obraťte na oficiálního distributora výrobků "
        u8"BRAVANTO v příslušné zemi. Společnost BRAVANTO nenese žádnou odpovědnost za "
        u8"jakékoli chyby nebo opomenutí v takovém překladu.",
    .Confirm =
        u8"Potvrzuji, že chci stáhnout a nainstalovat jazyk, který nebyl nainstalován z "
        u8"výroby, a že se kvůli uživatelské příručce musím obrátit na příslušného "
        u8"distributora.",
    .Effect =
        u8"Výběr nového jazyka ovlivní fungování počítače Orvanel následujícím způsobem: \r\n"
        u8"  - všechna varování a alarmy vyvolané během ponoru se budou zobrazovat v novém "
        u8"jazyce. \r\n"
        u8"  - všechny nabídky a nastavení v povrchovém režimu se budou zobrazovat v novém "
        u8"jazyce.",
    .Understand =
        u8"Výslovně chápu, jak tento nový jazyk ovlivní funkce, které již můj potápěčský "
        u8"počítač obsahuje.",
};

// Swedish.
constexpr TDisclaimerTexts kSwedish{
    .Intro =
        u8"BRAVANTO har åtagit sig att fortsätta ge stöd för sin serie Orvanel-dykdatorer. "
        u8"Språket som du är på väg att ladda ned och installera på din dykdator är inte "
        u8"förinstallerat från fabriken, och därför ingick den tryckta produktmanualen på "
        u8"detta språk inte i den ursprungliga förpackningen. För information om en manual på "
        u8"det språk som du är på väg att ladda ned, kontakta den officiella distributören av "
        u8"BRAVANTO-produkter i respektive land. BRAVANTO tar inget ansvar för eventuella fel "
        u8"eller utelämnanden i en sådan översättning.",
    .Confirm =
        u8"Jag bekräftar att jag vill ladda ned och installera ett språk som inte "
        u8"installerades på fabriken och att jag måste kontakta den berörda distributören för "
        u8"att få en bruksanvisning.",
    .Effect =
        u8"När ett nytt språk väljs påverkas funktionen hos Orvanel på följande sätt: \r\n"
        u8"  - alla varningar och larm som utlöses under dyket visas på det nya språket. \r\n"
        u8"  - alla menyer och inställningar i ytläget visas på det nya språket.",
    .Understand =
        u8"Jag förstår uttryckligen hur detta nya språk kommer att påverka funktioner som "
        u8"redan finns på min dykdator.",
};

// Turkish.
constexpr TDisclaimerTexts kTurkish{
    .Intro =
        u8"BRAVANTO, Orvanel dalış bilgisayarı ailesine desteğini sürdürmeyi taahhüt eder. "
        u8"İndirmek ve dalış bilgisayarınıza yüklemek üzere olduğunuz dil fabrikada önceden "
        u8"yüklü olarak sunulmamaktadır; bu nedenle bu dildeki basılı ürün kılavuzu orijinal "
        u8"pakette yer almamıştır. İndirmek üzere olduğunuz dildeki kılavuz hakkında bilgi "
        u8"almak için lütfen BRAVANTO ürünlerinin ilgili ülkedeki resmi distribütörüne "
        u8"başvurun. BRAVANTO, bu tür bir çevirideki hata veya eksikliklerden hiçbir şekilde "
        u8"sorumlu değildir.",
    .Confirm =
        u8"Fabrikada yüklenmemiş bir dili indirip yüklemek istediğimi ve kullanım kılavuzu "
        u8"için ilgili distribütöre başvurmam gerektiğini onaylıyorum.",
    .Effect =
        u8"Yeni bir dil seçildiğinde Orvanel'in işleyişi şu şekilde etkilenir: \r\n"
        u8"  - Dalış sırasında tetiklenen tüm uyarılar ve alarmlar yeni dilde "
        u8"görüntülenecektir. \r\n"
        u8"  - Yüzey modundaki tüm menüler ve ayarlar yeni dilde görüntülenecektir.",
    .Understand =
        u8"Bu yeni dilin dalış bilgisayarımda hâlihazırda bulunan işlevleri nasıl "
        u8"etkileyeceğini açıkça anlıyorum.",
};

// Hungarian.
constexpr TDisclaimerTexts kHungarian{
    .Intro =
        u8"A BRAVANTO elkötelezett az Orvanel búvárkomputer-család folyamatos támogatása "
        u8"mellett. Az a nyelv, amelyet most készül letölteni és a búvárkomputerére "
        u8"telepíteni, gyárilag nincs előre telepítve, ezért a termék nyomtatott kézikönyve "
        u8"ezen a nyelven nem volt része az eredeti csomagnak. Ha a letölteni kívánt nyelvű "
        u8"kézikönyvről szeretne tájékoztatást kapni, forduljon a BRAVANTO-termékek adott "
        u8"országbeli hivatalos forgalmazójához. A BRAVANTO semmilyen felelősséget nem vállal "
        u8"az ilyen fordítás esetleges hibáiért vagy hiányosságaiért.",
    .Confirm =
        u8"Megerősítem, hogy olyan nyelvet kívánok letölteni és telepíteni, amely gyárilag nem "
        u8"volt telepítve, és hogy felhasználói kézikönyvért az illetékes forgalmazóhoz kell "
        u8"fordulnom.",
    .Effect =
        u8"Új nyelv kiválasztásakor az Orvanel működése a következőképpen változik: \r\n"
        u8"  - a merülés közben kiváltott összes figyelmeztetés és riasztás az új nyelven "
        u8"jelenik meg. \r\n"
        u8"  - a felszíni módban elérhető összes menü és beállítás az új nyelven jelenik meg.",
    .Understand =
        u8"Kifejezetten értem, hogyan befolyásolja ez az új nyelv a búvárkomputeremen már "
        u8"meglévő funkciókat.",
};

// Croatian.
constexpr TDisclaimerTexts kCroatian{
    .Intro =
        u8"Tvrtka BRAVANTO predana je trajnoj podršci svojoj liniji ronilačkih računala "
        u8"Orvanel. Jezik koji namjeravate preuzeti i instalirati na svoje ronilačko računalo "
        u8"nije tvornički predinstaliran te stoga tiskani priručnik za proizvod na tom jeziku "
        u8"nije bio dio izvornog pakiranja. Za informacije o priručniku na jeziku koji "
        u8"namjeravate preuzeti obratite se službenom distributeru proizvoda BRAVANTO u "
        u8"odgovarajućoj zemlji. Tvrtka BRAVANTO ne preuzima nikakvu odgovornost za bilo kakve "
        u8"pogreške ili propuste u takvom prijevodu.",
    .Confirm =
        u8"Potvrđujem da želim preuzeti i instalirati jezik koji nije tvornički instaliran te "
        u8"da se za korisnički priručnik moram obratiti nadležnom distributeru.",
    .Effect =
        u8"Odabirom novog jezika rad uređaja Orvanel mijenja se na sljedeće načine: \r\n"
        u8"  - sva upozorenja i alarmi aktivirani tijekom zarona prikazivat će se na novom "
        u8"jeziku. \r\n"
        u8"  - svi izbornici i postavke u površinskom načinu rada prikazivat će se na novom "
        u8"jeziku.",
    .Understand =
        u8"Izričito razumijem kako će ovaj novi jezik utjecati na funkcije koje već postoje na "
        u8"mojem ronilačkom računalu.",
};

// German.
constexpr TDisclaimerTexts kGerman{
    .Intro =
        u8"BRAVANTO setzt sich für die fortlaufende Unterstützung seiner "
        u8"Orvanel-Tauchcomputerfamilie ein. Die Sprache, die Sie herunterladen und auf Ihrem "
        u8"Tauchcomputer installieren möchten, ist ab Werk nicht vorinstalliert; daher war das "
        u8"gedruckte Produkthandbuch in dieser Sprache nicht im ursprünglichen Lieferumfang "
        u8"enthalten. Für Informationen zu einem Handbuch in der Sprache, die Sie "
        u8"herunterladen möchten, wenden Sie sich bitte an den offiziellen Vertriebspartner "
        u8"für BRAVANTO-Produkte im jeweiligen Land. BRAVANTO übernimmt keinerlei "
        u8"Verantwortung für Fehler oder Auslassungen in einer solchen Übersetzung.",
    .Confirm =
        u8"Ich bestätige, dass ich eine Sprache herunterladen und installieren möchte, die "
        u8"nicht ab Werk installiert war, und dass ich mich für ein Benutzerhandbuch an den "
        u8"zuständigen Vertriebspartner wenden muss.",
    .Effect =
        u8"Wenn Sie eine neue Sprache auswählen, wirkt sich dies wie folgt auf die "
        u8"Funktionsweise von Orvanel aus: \r\n"
        u8"  - Alle während des Tauchgangs ausgelösten Warnungen und Alarme werden in der "
        u8"neuen Sprache angezeigt. \r\n"
        u8"  - Alle Menüs und Einstellungen im Oberflächenmodus werden in der neuen Sprache "
        u8"angezeigt.",
    .Understand =
        u8"Mir ist ausdrücklich bewusst, wie sich diese neue Sprache auf die bereits "
        u8"vorhandenen Funktionen meines Tauchcomputers auswirkt.",
};

// English.
constexpr TDisclaimerTexts kEnglish{
    .Intro =
        u8"BRAVANTO is committed to continuing support of its Orvanel dive computer family. "
        u8"The language you are about to download and to install on your dive computer is not "
        u8"available as preinstalled from the factory and consequently the printed product "
        u8"manual in this language was not part of the original package. For information "
        u8"regarding a manual in the language you are about to download please contact the "
        u8"official distributor for BRAVANTO products in the pertinent country. BRAVANTO does "
        u8"not assume any responsibility for any errors or omissions for such translation.",
    .Confirm =
        u8"I confirm that I want to download and install a language that was not factory "
        u8"installed and that I must contact the pertinent distributor for a user's manual.",
    .Effect =
        u8"When selecting a new language, the functioning of Orvanel is affected in the "
        u8"following ways: \r\n"
        u8"  - all warnings and alarms triggered during the dive will be described in the new "
        u8"language. \r\n"
        u8"  - all surface menus and settings will be described in the new language.",
    .Understand =
        u8"I specifically understand how this new language will affect functions already "
        u8"existing on my dive computer.",
};

// In the order the keys are tested. A name may hold more than one key (a file named in two
// languages, say): the earlier entry wins, so the order is part of the behaviour.
constexpr std::array<TDisclaimerLanguage, 14> kLanguages{{
    {u8"简体中文", "Simplified Chinese", kSimplifiedChinese},
    {u8"한국어", "Korean", kKorean},
    {u8"Русский", "Russian", kRussian},
    {u8"Polski", "Polish", kPolish},
    {u8"Dansk", "Danish", kDanish},
    {u8"Ελληνικά", "Greek", kGreek},
    {u8"Português", "Portuguese", kPortuguese},
    {u8"Româna", "Romanian", kRomanian},
    {u8"Suomi", "Finnish", kFinnish},
    {u8"Čeština", "Czech", kCzech},
    {u8"Svenska", "Swedish", kSwedish},
    {u8"Türkçe", "Turkish", kTurkish},
    {u8"Magyar", "Hungarian", kHungarian},
    {u8"Hrvatski", "Croatian", kCroatian},
}};

QString Text(const char8_t* text) {
  return QString::fromUtf8(text);
}

}  // namespace

std::span<const TDisclaimerLanguage> DisclaimerLanguages() {
  return kLanguages;
}

const TDisclaimerTexts& GermanDisclaimer() {
  return kGerman;
}

const TDisclaimerTexts& EnglishDisclaimer() {
  return kEnglish;
}

const TDisclaimerTexts& DisclaimerTextsFor(const QString& languageName) {
  for (const TDisclaimerLanguage& language : kLanguages) {
    if (languageName.contains(Text(language.Key), Qt::CaseSensitive)) return language.Texts;
  }
  return kGerman;
}

TDisclaimerContent DisclaimerFor(const QString& languageName) {
  const TDisclaimerTexts& own = DisclaimerTextsFor(languageName);
  const auto join = [](const char8_t* first, const char* separator, const char8_t* english) {
    return Text(first) + QLatin1String(separator) + Text(english);
  };
  return {join(own.Intro, "\r\n\r\n", kEnglish.Intro), join(own.Confirm, "\r\n", kEnglish.Confirm),
          join(own.Effect, "\r\n", kEnglish.Effect),
          join(own.Understand, "\r\n", kEnglish.Understand)};
}
