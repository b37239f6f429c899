#pragma once
// Natural-order comparison for sorting names: runs of digits compare by their
// value ("Track 2" before "Track 10"), letters without regard to ASCII case.

// Negative, zero or positive as `a` sorts before, with or after `b`. Bytes
// 0x80-0xFF sort before every ASCII character. Equal numbers with different
// leading zeros continue with what follows; when both texts end there, the
// run with more zeros sorts after.
int LStrCmpNatural(const char* a, const char* b);
