#pragma once
// Toolkit views as the framework sees them: an opaque handle. Only gui/qt/
// knows what it points at; everything else compares and passes it on.

#include <cstdint>

struct LOpaqueView;
using LViewHandle = LOpaqueView*;

// Values stored on a toolkit object under a key: a plain pointer or integer,
// not an owning reference. Reading a missing key, or from a null object,
// gives 0; writing to a null object does nothing; writing 0 reads back as 0.
class LAssociatedData
{
public:
    static void SetData(uintptr_t value, LViewHandle object, const char* key);
    static uintptr_t GetData(LViewHandle object, const char* key);
    static void SetData(uintptr_t value, LViewHandle object) { SetData(value, object, kDefaultKey); }
    static uintptr_t GetData(LViewHandle object) { return GetData(object, kDefaultKey); }

    // Keys in use by the window framework.
    static constexpr const char* kDefaultKey = "ldata";
    static constexpr const char* kWindowKey = "lwindow";
    static constexpr const char* kParentWindowKey = "lparentwindow";
    static constexpr const char* kParentViewKey = "lparentview";
    static constexpr const char* kModalSessionKey = "lmodalsession";
    static constexpr const char* kPainterKey = "lpainter";
};

// The view's parent view in the toolkit tree, or null.
LViewHandle LGetSuperview(LViewHandle view);
