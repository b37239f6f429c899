// qd-net get URL OUT [--post K=V]...: downloads the address into OUT (one
// redirect followed), or with --post sends the fields as a form and stores
// the answer's body in OUT. Either way OUT is replaced only by a whole body.
// Exit 0, 1 when interrupted, 2 on failure with the reason on standard error.

#include "NetCommand.h"

#include "foundation/files/LByteArray.h"
#include "foundation/files/LFileSystem.h"
#include "online/LHttpClient.h"
#include "online/LHttpParse.h"
#include "online/LTlsSocket.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string FormEncode(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::strchr("-_.~", c))
            out += static_cast<char>(c);
        else if (c == ' ')
            out += '+';
        else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

int Post(const char* url, const char* out, const std::string& form)
{
    LHttpUrl parsed;
    if (!LHttpParseUrl(url, &parsed))
        return QdFail("not an http or https address: %s", url);
    NetStopContext context;
    LTlsSocket socket;
    int result = parsed.https ? socket.Connect(&context, parsed.host, 60000)
                              : socket.ConnectPlain(&context, parsed.host, 80, 60000);
    if (result == 2)
        return QdFail("%s", socket.Error());
    if (result != 0)
        return result;
    int status = 0;
    LByteArray answer;
    result = LHttpsRequest(&context, &socket, "POST", parsed.host, parsed.path,
                           "Content-Type: application/x-www-form-urlencoded\r\n", form.data(), form.size(),
                           &status, &answer, 60000, 60000);
    if (result == 2)
        return QdFail("%s", LHttpLastError());
    if (result != 0)
        return result;
    if (status < 200 || status > 299)
        return QdFail("the server answered %d", status);
    // Written beside and renamed over, as a download is: a full disk or a
    // kill leaves the old file whole.
    if (!LWriteFileExact(out, answer.data, answer.size, 200))
        return QdFail("cannot write %s: %s (the old file is kept)", out, std::strerror(errno));
    return 0;
}

int RunGet(int argc, char** argv)
{
    if (argc < 3)
        return QdFail("usage: get URL OUT [--post K=V]...");
    const char* url = argv[1];
    const char* out = argv[2];
    std::string form;
    bool post = false;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--post") != 0 || i + 1 >= argc)
            return QdFail("unknown argument: %s", argv[i]);
        const char* field = argv[++i];
        const char* equals = std::strchr(field, '=');
        if (equals == nullptr)
            return QdFail("a form field is K=V: %s", field);
        if (!form.empty())
            form += '&';
        form += FormEncode(std::string(field, equals)) + "=" + FormEncode(equals + 1);
        post = true;
    }
    if (post)
        return Post(url, out, form);
    NetStopContext context;
    const int result = LHttpGetToFile(&context, url, out, true);
    if (result == 2)
        return QdFail("%s", LHttpLastError());
    return result;
}

QdRegistrar reg("get", "get URL OUT [--post K=V]...", &RunGet);

} // namespace
