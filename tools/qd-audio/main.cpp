#include "QdCommand.h"

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// What a command's usage line says about its arguments: which options it
// knows, which of them take a value, and how many file names it takes.
struct UsageShape
{
    std::set<std::string> flags;
    std::set<std::string> valued;
    int minimumNames = -1;
    int maximumNames = 0; // -1: no upper bound
};

struct Entry
{
    const char* usage;
    QdRunFunction run;
};

std::map<std::string, Entry>& Commands()
{
    static std::map<std::string, Entry> commands;
    return commands;
}

// The options of the command being run, for QdOption and QdFlag; options
// start after the file names once main has put the arguments in order.
std::set<std::string> gValued;
int gFirstOption = 1;

std::string Trimmed(std::string token, bool& opensBracket, bool& closesBracket)
{
    opensBracket = false;
    closesBracket = false;
    while (!token.empty() && token.front() == '[') {
        opensBracket = true;
        token.erase(0, 1);
    }
    while (!token.empty() && (token.back() == ']' || token.back() == '|')) {
        closesBracket = closesBracket || token.back() == ']';
        token.pop_back();
    }
    return token;
}

// Usage lines read "name FILE OUT [--flag] [--option VALUE] [NAME...]"; a
// usage may hold several lines, each starting "qd-audio name" after the first.
UsageShape ReadUsage(const char* name, const char* usage)
{
    UsageShape shape;
    std::istringstream lines(usage);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string w; words >> w;)
            tokens.push_back(w);
        size_t i = 0;
        if (i < tokens.size() && tokens[i] == "qd-audio")
            ++i;
        if (i < tokens.size() && tokens[i] == name)
            ++i;
        int minimum = 0;
        int maximum = 0;
        bool inBracket = false;
        for (; i < tokens.size(); ++i) {
            bool opens = false;
            bool closes = false;
            const std::string token = Trimmed(tokens[i], opens, closes);
            inBracket = inBracket || opens;
            if (token.rfind("--", 0) == 0) {
                bool valueFollows = false;
                if (!closes && i + 1 < tokens.size()) {
                    bool o = false;
                    bool c = false;
                    const std::string next = Trimmed(tokens[i + 1], o, c);
                    valueFollows = !o && !next.empty() && next != "|" && next.rfind("-", 0) != 0;
                    if (valueFollows) {
                        closes = c;
                        ++i;
                    }
                }
                (valueFollows ? shape.valued : shape.flags).insert(token);
            } else if (!token.empty() && token != "|") {
                const bool many = token.size() > 3 && token.compare(token.size() - 3, 3, "...") == 0;
                if (!inBracket)
                    ++minimum;
                if (many || maximum < 0)
                    maximum = -1;
                else
                    ++maximum;
            }
            if (closes)
                inBracket = false;
        }
        shape.minimumNames = shape.minimumNames < 0 ? minimum : std::min(shape.minimumNames, minimum);
        if (shape.maximumNames >= 0)
            shape.maximumNames = maximum < 0 ? -1 : std::max(shape.maximumNames, maximum);
    }
    if (shape.minimumNames < 0)
        shape.minimumNames = 0;
    return shape;
}

bool IsOptionLike(const char* arg)
{
    return arg[0] == '-' && arg[1] != '\0';
}

// Puts the file names first and the options after them, so that argv[1],
// argv[2] ... are the names whatever order they were given in. "--" ends the
// options: everything after it is a name, even when it begins with "-".
// Returns 0, or the failure status after the message.
int ArrangeArguments(const char* name, const char* usage, int argc, char** argv, std::vector<char*>& arranged)
{
    const UsageShape shape = ReadUsage(name, usage);
    std::vector<char*> names;
    std::vector<char*> options;
    bool namesOnly = false;
    for (int i = 1; i < argc; ++i) {
        char* arg = argv[i];
        if (namesOnly || !IsOptionLike(arg)) {
            names.push_back(arg);
        } else if (std::strcmp(arg, "--") == 0) {
            namesOnly = true;
        } else if (shape.flags.count(arg) != 0) {
            options.push_back(arg);
        } else if (shape.valued.count(arg) != 0) {
            if (i + 1 >= argc)
                return QdFail("%s needs a value", arg);
            options.push_back(arg);
            options.push_back(argv[++i]);
        } else {
            return QdFail("unknown option '%s' (see qd-audio with no arguments; a file name that begins "
                          "with - goes after --)",
                          arg);
        }
    }
    const int count = static_cast<int>(names.size());
    if (count < shape.minimumNames || (shape.maximumNames >= 0 && count > shape.maximumNames))
        return QdFail("usage: qd-audio %s", usage);
    gValued = shape.valued;
    gFirstOption = 1 + count;
    arranged.clear();
    arranged.push_back(argv[0]);
    arranged.insert(arranged.end(), names.begin(), names.end());
    arranged.insert(arranged.end(), options.begin(), options.end());
    arranged.push_back(nullptr);
    return 0;
}

} // namespace

QdRegistrar::QdRegistrar(const char* name, const char* usage, QdRunFunction run)
{
    Commands()[name] = Entry{usage, run};
}

int QdFail(const char* format, ...)
{
    std::fputs("qd-audio: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return 2;
}

const char* QdOption(int argc, char** argv, const char* flag)
{
    for (int i = gFirstOption; i + 1 < argc;) {
        if (std::strcmp(argv[i], flag) == 0)
            return argv[i + 1];
        i += gValued.count(argv[i]) != 0 ? 2 : 1;
    }
    return nullptr;
}

bool QdFlag(int argc, char** argv, const char* flag)
{
    for (int i = gFirstOption; i < argc;) {
        if (std::strcmp(argv[i], flag) == 0)
            return true;
        i += gValued.count(argv[i]) != 0 ? 2 : 1;
    }
    return false;
}

bool QdNumber(const char* text, long low, long high, long& value)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

int main(int argc, char** argv)
{
    // A file-size limit becomes a write error with its message, like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    if (argc < 2) {
        std::fputs("usage: qd-audio COMMAND ...\ncommands:\n", stderr);
        for (const auto& [name, entry] : Commands())
            std::fprintf(stderr, "  qd-audio %s\n", entry.usage);
        return 2;
    }
    auto it = Commands().find(argv[1]);
    if (it == Commands().end())
        return QdFail("unknown command '%s'", argv[1]);
    std::vector<char*> arranged;
    if (const int failed = ArrangeArguments(argv[1], it->second.usage, argc - 1, argv + 1, arranged))
        return failed;
    return it->second.run(static_cast<int>(arranged.size()) - 1, arranged.data());
}
