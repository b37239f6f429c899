#pragma once
// MP3 files tagged by mutagen with every field the dialogs show and the
// frames they do not (TXXX, USLT, PRIV), and a mutagen dump of what a file holds.

#include "tags/TagTestSupport.h"

#include <map>
#include <string>

namespace tagedit {

using namespace tagtest;

// A tagged MP3: title, artist, album, date, comment, genre (when given),
// rating (when > 0), cover from picture, and the carried frames.
inline void MakeTaggedMp3(const std::string& path, const std::string& title, const std::string& date,
                          const std::string& comment, const std::string& picture,
                          const std::string& genre = "", int rating = 0)
{
    MakeMp3(path);
    RunPython(std::string(kMutagenPreamble) + R"(
path, title, date, comment, picture, genre, rating = sys.argv[1:8]
t = ID3()
t.add(TIT2(encoding=3, text=title))
t.add(TPE1(encoding=3, text='Old Artist'))
t.add(TALB(encoding=3, text='Old Album'))
if date:
    t.add(TYER(encoding=3, text=date[:4]))
    t.add(TDAT(encoding=3, text=date[8:10] + date[5:7]))
t.add(COMM(encoding=3, lang='eng', desc='', text=comment))
if genre:
    t.add(TCON(encoding=3, text=genre))
if int(rating):
    t.add(POPM(email='', rating=int(rating)))
if picture:
    t.add(APIC(encoding=3, mime='image/png', type=3, desc='', data=open(picture, 'rb').read()))
t.add(TXXX(encoding=3, desc='MOOD', text='calm ' + title))
t.add(USLT(encoding=3, lang='eng', desc='', text='la la ' + title))
t.add(PRIV(owner='org.example', data=b'\x01\x02' + title.encode()))
t.save(path, v2_version=3)
)",
              {path, title, date, comment, picture, genre, std::to_string(rating)});
}

// What mutagen reads: one KEY=VALUE line per frame of interest.
inline std::map<std::string, std::string> Dump(const std::string& path)
{
    return ParseLines(RunPython(std::string(kMutagenPreamble) + R"(
import hashlib
t = ID3(sys.argv[1])
for k in ['TIT2', 'TPE1', 'TALB', 'TCON', 'TRCK', 'TDRC', 'TCOP']:
    if k in t:
        print(k + '=' + str(t[k].text[0]))
for f in t.getall('COMM'):
    print('COMM=' + f.text[0].replace('\n', '|'))
for f in t.getall('POPM'):
    print('POPM=%d' % f.rating)
for f in t.getall('APIC'):
    print('APIC=' + hashlib.sha1(f.data).hexdigest())
for f in t.getall('TXXX'):
    print('TXXX=' + f.desc + ':' + f.text[0])
for f in t.getall('USLT'):
    print('USLT=' + f.text)
for f in t.getall('PRIV'):
    print('PRIV=' + f.owner + ':' + f.data.hex())
)",
                                {path}));
}

inline std::string Sha1(const std::string& path)
{
    return quorin::test::CaptureCommand("sha1sum " + Quote(path) + " | cut -c1-40 | tr -d '\\n'");
}

} // namespace tagedit
