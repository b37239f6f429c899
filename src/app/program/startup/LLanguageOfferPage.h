#pragma once
// The first run's offer of an edition of the program in the user's language:
// a wizard page shown only when an edition record matches the system
// language. Its first button opens the edition's download page in the
// browser (an installer the program cannot check is not run by it); the
// second goes on installing this edition.

#include "gui/framework/LPropertySheet.h"

#include <string>
#include <vector>

struct LEditionRecord
{
    const char* code;    // language code as the maker's site names it ("EN", "DE", "JP")
    const char* version; // the edition's version text
    const char* firstAddress;
    const char* secondAddress;
};

// The edition records this build ships (one: "EN", which the offer never
// selects, since an English system is offered nothing).
const std::vector<LEditionRecord>& LShippedEditionRecords();
// The records the first run consults: the shipped ones unless replaced (tests).
const std::vector<LEditionRecord>& LEditionRecords();
void LSetEditionRecords(const std::vector<LEditionRecord>* records);

// The two-letter language code of the user's locale (LC_ALL, LC_MESSAGES,
// then LANG), lower case; "en" when none is found.
std::string LSystemLanguageCode();

// The texts of the offer for a language code: the question, the download
// button ("%s" for the version), the progress title and status line, and
// the note that tells what the download button does.
struct LLanguageOfferTexts
{
    const char* code;
    const char* question;
    const char* downloadButton;
    const char* progressTitle;
    const char* progressStatus;
    const char* downloadNote; // below the download button: what it does
};
const LLanguageOfferTexts* LFindLanguageOfferTexts(const char* code);

class LLanguageOfferPage : public LWizardPage
{
public:
    enum Control : int { kQuestion = 1001, kDownload = 1002, kContinue = 1003 };

    // Reads the system language and takes the matching record, if any.
    explicit LLanguageOfferPage(const std::vector<LEditionRecord>& records = LEditionRecords());
    // The installer wizard adds the page only when true.
    bool HasOffer() const { return offer_ != nullptr; }
    const LEditionRecord* Offer() const { return offer_; }
    const LLanguageOfferTexts* Texts() const { return texts_; }
    // The edition's page on the maker's site (QUORIN_SITE applied).
    std::string DownloadPageUrl() const;
    bool Used() const { return used_; }

    void OnCreate() override;
    void OnSize(int x, int y, int w, int h) override;
    void OnPageShown() override;
    void OnLeave() override;
    void OnCommand(int command, int extra) override;

private:
    const LEditionRecord* offer_ = nullptr;
    const LLanguageOfferTexts* texts_ = nullptr;
    std::string language_;
    bool used_ = false;
};

// The installer wizard of the first run ("Installing Quorin v 3.00") with the
// page "Language Selection", run only when the page has an offer for the
// system language. True when it was shown.
bool LRunLanguageOfferWizard(const std::vector<LEditionRecord>& records = LEditionRecords());
