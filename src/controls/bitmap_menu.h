// CBitmapMenu: an owner-drawn popup of six rows, each drawn from a bitmap,
// that remembers the item highlighted last; the owner reads that after the
// menu closes, as the choice.
#pragma once

#include "framework/gdi.h"
#include "framework/menu.h"

class CBitmapMenu : public CMenu {
public:
    static constexpr int kRows = 6;
    static constexpr int kRowHeight = 15;
    static constexpr int kFaceWidth = 92;
    // The command id of each row, top to bottom.
    static const UINT kRowIds[kRows];

    CBitmapMenu();
    ~CBitmapMenu() override;

    void DrawItem(DRAWITEMSTRUCT* item) override;
    void MeasureItem(MEASUREITEMSTRUCT* item) override;

    // The command id of the item drawn highlighted last; 0 before any.
    UINT m_nLastItem = 0;
    CBitmap m_bmpNormal[kRows];
    CBitmap m_bmpHighlight[kRows];

private:
    void DrawRows(CDC& target, CDC& memory);
};
