#pragma once
// Marks the few DSP loops where most of the restoration time goes: gcc builds
// them at -O3 and also for AVX2, picked at run time. Other compilers (clang
// builds the fuzz targets) and other processors take them as plain functions,
// as do ThreadSanitizer builds, whose run time is not ready when the loader
// picks a clone.

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define L_HOT_LOOP __attribute__((optimize("O3"), target_clones("avx2", "default")))
#else
#define L_HOT_LOOP
#endif
