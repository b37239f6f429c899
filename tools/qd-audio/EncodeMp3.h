#pragma once
// qd-audio encode IN OUT.mp3: the MP3 branch of the encode subcommand.

// True when the output path names an MP3 file (".mp3", any case).
bool QdIsMp3Path(const char* path);

// qd-audio encode IN OUT.mp3 [--bitrate K] [--vbr Q] [--abr K] [--min K] [--max K]
//                            [--mode stereo|joint|force|mono] [--crc]
int QdEncodeMp3(int argc, char** argv);
