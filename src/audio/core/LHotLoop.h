#pragma once
// Marks the few DSP loops where most of the restoration time goes: gcc builds
// them at -O3 and also for AVX2 and for AVX-512 (x86-64-v4), picked at run
// time. Products are never fused with the sums that follow them (fused
// multiply-adds round once instead of twice), so every clone gives the same
// results bit for bit, whatever processor runs it. Other compilers (clang
// builds the fuzz targets) and other processors take them as plain
// functions, as do ThreadSanitizer builds, whose run time is not ready when
// the loader picks a clone.

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define L_HOT_LOOP                                                                                           \
    __attribute__((optimize("O3", "fp-contract=off"), target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define L_HOT_LOOP
#endif
