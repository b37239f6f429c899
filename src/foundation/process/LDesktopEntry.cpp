#include "foundation/process/LDesktopEntry.h"

#include "foundation/platform/LStandardFolders.h"
#include "foundation/process/LChildProcess.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace {

std::string Trim(const std::string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r'))
        --end;
    return text.substr(begin, end - begin);
}

// The key file's own escapes of string values.
std::string Unescape(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's':
            out.push_back(' ');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 't':
            out.push_back('\t');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case '\\':
            out.push_back('\\');
            break;
        default:
            out.push_back('\\'); // left for the Exec quoting rules
            out.push_back(next);
        }
    }
    return out;
}

bool IsFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::vector<std::string> DataFolders()
{
    std::vector<std::string> folders;
    char home[260];
    if (LGetAppSupportFolder(home))
        folders.emplace_back(home);
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    if (!dirs || !dirs[0])
        dirs = "/usr/local/share:/usr/share";
    std::string list(dirs);
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string folder = list.substr(start, end - start);
        if (!folder.empty() && folder[0] == '/')
            folders.push_back(folder);
        start = end + 1;
    }
    return folders;
}

// Splits the Exec line into words by its quoting rules: blanks separate
// words; inside double quotes, a backslash keeps the next '"', '`', '$' or
// '\\'. Each word says whether it was quoted (field codes do not count there).
bool SplitExec(const std::string& line, std::vector<std::pair<std::string, bool>>* words)
{
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == line.size())
            break;
        std::string word;
        bool quoted = false;
        if (line[i] == '"') {
            quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char ch = line[i++];
                if (ch == '"') {
                    closed = true;
                    break;
                }
                if (ch == '\\' && i < line.size() && std::strchr("\"`$\\", line[i]))
                    word.push_back(line[i++]);
                else
                    word.push_back(ch);
            }
            if (!closed)
                return false;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t')
                word.push_back(line[i++]);
        }
        words->emplace_back(word, quoted);
    }
    return !words->empty();
}

} // namespace

bool LReadDesktopEntry(const char* path, LDesktopEntry* entry)
{
    *entry = LDesktopEntry();
    FILE* file = std::fopen(path, "re");
    if (!file)
        return false;
    entry->path = path;
    const char* slash = std::strrchr(path, '/');
    entry->id = slash ? slash + 1 : path;
    if (entry->id.size() > 8 && entry->id.compare(entry->id.size() - 8, 8, ".desktop") == 0)
        entry->id.resize(entry->id.size() - 8);

    bool inGroup = false, sawGroup = false;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, file)) {
        std::string line = Trim(std::string(buffer, std::strcspn(buffer, "\n")));
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == "[Desktop Entry]";
            sawGroup = sawGroup || inGroup;
            continue;
        }
        const size_t equals = line.find('=');
        if (!inGroup || equals == std::string::npos)
            continue;
        const std::string key = Trim(line.substr(0, equals));
        const std::string value = Unescape(Trim(line.substr(equals + 1)));
        if (key == "Type")
            entry->type = value;
        else if (key == "Name")
            entry->name = value;
        else if (key == "Exec")
            entry->exec = value;
        else if (key == "TryExec")
            entry->tryExec = value;
        else if (key == "Icon")
            entry->icon = value;
        else if (key == "Hidden")
            entry->hidden = value == "true";
    }
    std::fclose(file);
    return sawGroup;
}

bool LFindDesktopEntryFile(const char* id, std::string* path)
{
    if (!id || !id[0] || std::strchr(id, '/'))
        return false;
    std::string name(id);
    if (name.size() < 8 || name.compare(name.size() - 8, 8, ".desktop") != 0)
        name += ".desktop";
    for (const std::string& folder : DataFolders()) {
        const std::string candidate = folder + "/applications/" + name;
        if (IsFile(candidate)) {
            *path = candidate;
            return true;
        }
    }
    return false;
}

bool LExpandDesktopExec(const LDesktopEntry& entry, const std::vector<std::string>& files,
                        std::vector<std::string>* argv)
{
    argv->clear();
    std::vector<std::pair<std::string, bool>> words;
    if (!SplitExec(entry.exec, &words))
        return false;
    for (const auto& [word, quoted] : words) {
        if (quoted) {
            argv->push_back(word);
            continue;
        }
        if (word == "%F" || word == "%U") {
            argv->insert(argv->end(), files.begin(), files.end());
            continue;
        }
        if (word == "%i") {
            if (!entry.icon.empty()) {
                argv->push_back("--icon");
                argv->push_back(entry.icon);
            }
            continue;
        }
        std::string expanded;
        bool dropped = false;
        for (size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%' || i + 1 == word.size()) {
                expanded.push_back(word[i]);
                continue;
            }
            const char code = word[++i];
            switch (code) {
            case '%':
                expanded.push_back('%');
                break;
            case 'f':
            case 'u':
                if (files.empty())
                    dropped = word.size() == 2; // a lone %f with no file gives no word
                else
                    expanded += files.front();
                break;
            case 'c':
                expanded += entry.name;
                break;
            case 'k':
                expanded += entry.path;
                break;
            default:
                break; // deprecated or unknown codes go away
            }
        }
        if (!dropped && !(expanded.empty() && word.size() == 2 && word[0] == '%'))
            argv->push_back(expanded);
    }
    return !argv->empty();
}

bool LGetDesktopEntryProgram(const LDesktopEntry& entry, char* dest)
{
    dest[0] = '\0';
    if (!entry.tryExec.empty() && !LFindProgramInPath(entry.tryExec.c_str(), dest))
        return false;
    std::vector<std::string> argv;
    if (!LExpandDesktopExec(entry, {}, &argv))
        return false;
    return LFindProgramInPath(argv[0].c_str(), dest);
}
