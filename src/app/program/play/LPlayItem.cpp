#include "app/program/play/LPlayItem.h"

LPlayItem::~LPlayItem() = default;

void LPlayItem::OpenSource(LSoundSourcePtr* out)
{
    out->Reset();
}

int LPlayItem::OpenWaveformSource(LSoundSourcePtr* out)
{
    OpenSource(out);
    return 100;
}
