#include "app/program/startup/LLanguageOfferPage.h"

#include "foundation/platform/LDesktopOpen.h"
#include "gui/controls/LCommandLinkButton.h"
#include "online/LOnlineSite.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

const std::vector<LEditionRecord>* gRecords = nullptr;

// Languages whose users are offered nothing.
const char* const kNoOffer[] = {"ru", "pt", "zh"};

const LLanguageOfferTexts kOfferTexts[] = {
    {"en", "Would you like to download and install the English version of Quorin?",
     "Download and install in English (v %s)", "Downloading Installer", "Downloading English installer",
     "Opens the page of the English edition in your web browser."},
    {"cn", "您想下载并安装中文版 Quorin 吗？", "下载并安装中文版 (v %s)", "正在下载安装程序", "正在下载中文安装程序",
     "在网页浏览器中打开中文版的下载页面。"},
    {"de", "Möchten Sie die deutsche Version von Quorin herunterladen und installieren?",
     "Auf Deutsch herunterladen und installieren (v %s)", "Installationsprogramm wird geladen",
     "Deutsches Installationsprogramm wird geladen",
     "Öffnet die Seite der deutschen Ausgabe in Ihrem Webbrowser."},
    {"es", "¿Desea descargar e instalar la versión en español de Quorin?",
     "Descargar e instalar en español (v %s)", "Descargando el instalador", "Descargando el instalador en español",
     "Abre la página de la edición en español en su navegador web."},
    {"fr", "Voulez-vous télécharger et installer la version française de Quorin ?",
     "Télécharger et installer en français (v %s)", "Téléchargement du programme d'installation",
     "Téléchargement du programme d'installation français",
     "Ouvre la page de l'édition française dans votre navigateur web."},
    {"it", "Vuoi scaricare e installare la versione italiana di Quorin?", "Scarica e installa in italiano (v %s)",
     "Download del programma di installazione", "Download del programma di installazione italiano",
     "Apre la pagina dell'edizione italiana nel browser web."},
    {"jp", "日本語版の Quorin をダウンロードしてインストールしますか？", "日本語版をダウンロードしてインストール (v %s)",
     "インストーラをダウンロードしています", "日本語版インストーラをダウンロードしています",
     "日本語版のページを Web ブラウザで開きます。"},
    {"ko", "한국어판 Quorin을 다운로드하여 설치하시겠습니까?", "한국어판 다운로드 및 설치 (v %s)",
     "설치 프로그램 다운로드 중", "한국어 설치 프로그램 다운로드 중",
     "웹 브라우저에서 한국어판 페이지를 엽니다."},
    {"nl", "Wilt u de Nederlandse versie van Quorin downloaden en installeren?",
     "Downloaden en installeren in het Nederlands (v %s)", "Installatieprogramma downloaden",
     "Nederlands installatieprogramma downloaden",
     "Opent de pagina van de Nederlandse editie in uw webbrowser."},
    {"ru", "Хотите загрузить и установить русскую версию Quorin?", "Загрузить и установить на русском (v %s)",
     "Загрузка установщика", "Загрузка русского установщика",
     "Открывает страницу русской версии в веб-браузере."},
};

std::string MappedCode(const std::string& code)
{
    if (code == "ja")
        return "jp";
    if (code == "zh")
        return "cn";
    return code;
}

int Units(double units, float unitPx)
{
    return static_cast<int>(units * unitPx + 0.5);
}

} // namespace

const std::vector<LEditionRecord>& LShippedEditionRecords()
{
    static const std::string first = std::string(kQuorinSite) + "/quorin/quorinmaci.zip";
    static const std::string second = std::string(kQuorinSite) + "/components/quorinmaci.zip";
    static const std::vector<LEditionRecord> records = {{"EN", "1.84", first.c_str(), second.c_str()}};
    return records;
}

const std::vector<LEditionRecord>& LEditionRecords()
{
    return gRecords != nullptr ? *gRecords : LShippedEditionRecords();
}

void LSetEditionRecords(const std::vector<LEditionRecord>* records)
{
    gRecords = records;
}

std::string LSystemLanguageCode()
{
    // The first variable set decides, as for the C library's messages.
    const char* locale = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            locale = value;
            break;
        }
    }
    std::string code;
    for (const char* c = locale; c != nullptr && std::isalpha(static_cast<unsigned char>(*c)) && code.size() < 3; ++c)
        code += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    if (code.size() != 2 || code == "c")
        return "en";
    return code;
}

const LLanguageOfferTexts* LFindLanguageOfferTexts(const char* code)
{
    for (const LLanguageOfferTexts& row : kOfferTexts)
        if (code != nullptr && strcasecmp(row.code, code) == 0)
            return &row;
    return nullptr;
}

LLanguageOfferPage::LLanguageOfferPage(const std::vector<LEditionRecord>& records)
{
    language_ = LSystemLanguageCode();
    if (language_ == "en")
        return;
    for (const char* excluded : kNoOffer)
        if (language_ == excluded)
            return;
    const std::string mapped = MappedCode(language_);
    for (const LEditionRecord& record : records) {
        if (record.code != nullptr && strcasecmp(record.code, mapped.c_str()) == 0) {
            texts_ = LFindLanguageOfferTexts(record.code);
            // An edition without texts to offer it with is not offered.
            if (texts_ != nullptr)
                offer_ = &record;
            return;
        }
    }
}

std::string LLanguageOfferPage::DownloadPageUrl() const
{
    if (offer_ == nullptr || offer_->firstAddress == nullptr)
        return {};
    std::string address = offer_->firstAddress;
    const size_t slash = address.rfind('/');
    if (slash != std::string::npos && slash > address.find("://") + 2)
        address.resize(slash + 1);
    return LApplySiteOverride(address.c_str());
}

void LLanguageOfferPage::OnCreate()
{
    if (offer_ == nullptr)
        return;
    AddStaticText(kQuestion, texts_->question);
    char download[300];
    std::snprintf(download, sizeof download, texts_->downloadButton, offer_->version);
    // The program does not run an installer it cannot check: the button
    // opens the edition's page, and says so.
    LCreateCommandLinkButton(this, kDownload, download, texts_->downloadNote);
    LCreateCommandLinkButton(this, kContinue, "Continue installing English (v 3.00)", nullptr);
}

void LLanguageOfferPage::OnSize(int x, int y, int w, int h)
{
    (void)x, (void)y, (void)h;
    if (offer_ == nullptr)
        return;
    const float cw = CharWidthPx();
    const float ch = CharHeightPx();
    const int side = Units(2, cw);
    const int width = std::max(1, w - 2 * side);
    int top = Units(0.94, ch);
    const int questionH = std::max(GetControlTextHeight(kQuestion, texts_->question, width), Units(1.23, ch));
    SetControlRect(kQuestion, side, top, width, questionH);
    top += questionH + Units(0.94, ch);
    // Each button is at least as high as its title and note need.
    for (int id : {kDownload, kContinue}) {
        int preferredW = 0, preferredH = 0;
        LGetCommandLinkButtonSize(this, id, &preferredW, &preferredH);
        const int buttonH = std::max(2 * Units(1.23, ch), preferredH);
        SetControlRect(id, side, top, width, buttonH);
        top += buttonH + Units(0.59, ch);
    }
    if (LWizard* wizard = GetWizard())
        wizard->EnableCloseButton(false);
}

void LLanguageOfferPage::OnPageShown()
{
    // The page's own buttons are the only ways on.
    ShowCancel(false);
    ShowNext(false);
    if (LWizard* wizard = GetWizard())
        wizard->ShowControl(kCommandFinish, false);
}

void LLanguageOfferPage::OnLeave()
{
    ShowCancel(true);
    ShowNext(true);
}

void LLanguageOfferPage::OnCommand(int command, int extra)
{
    switch (command) {
    case kContinue:
        EnableNext(true);
        if (LWizard* wizard = GetWizard())
            wizard->GoNext();
        return;
    case kDownload:
        used_ = true;
        LOpenURL(DownloadPageUrl().c_str());
        return;
    default:
        LWizardPage::OnCommand(command, extra);
    }
}

bool LRunLanguageOfferWizard(const std::vector<LEditionRecord>& records)
{
    LLanguageOfferPage page(records);
    if (!page.HasOffer())
        return false;
    LWizard wizard;
    wizard.AddPage(&page, "Language Selection", "", 325, 166, false);
    wizard.DoModal(nullptr, "Installing Quorin v 3.00");
    return true;
}
