#include "foundation/process/LLocale.h"

#include <clocale>
#include <map>
#include <mutex>
#include <string>

namespace {

std::mutex gLocaleLock;
bool gLocaleSet = false;

void SetUserLocale()
{
    // A locale the environment names but the system lacks would leave
    // everything in "C"; the UTF-8 form of "C" at least keeps texts whole.
    if (!std::setlocale(LC_ALL, "") && !std::setlocale(LC_ALL, "C.UTF-8"))
        std::setlocale(LC_ALL, "C");
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace

const char* LInitLocale(int category)
{
    static std::map<int, std::string> texts;
    std::lock_guard<std::mutex> hold(gLocaleLock);
    if (!gLocaleSet) {
        SetUserLocale();
        gLocaleSet = true;
    }
    auto found = texts.find(category);
    if (found == texts.end()) {
        const char* text = std::setlocale(category, nullptr);
        found = texts.emplace(category, text ? text : "").first;
    }
    return found->second.c_str();
}
