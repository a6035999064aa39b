#include "controls/bitmap_menu.h"

#include "resource.h"

const UINT CBitmapMenu::kRowIds[kRows] = {
    ID_RESOLUTION_800_600_32, ID_RESOLUTION_640_480_32, ID_RESOLUTION_800_600_16,
    ID_RESOLUTION_640_480_16, ID_RESOLUTION_800_600_8,  ID_RESOLUTION_640_480_8,
};

CBitmapMenu::CBitmapMenu()
{
    for (int row = 0; row < kRows; ++row) {
        m_bmpNormal[row].LoadBitmap(IDB_RESOLUTION_FIRST + row);
        m_bmpHighlight[row].LoadBitmap(IDB_RESOLUTION_LIT_FIRST + row);
    }
}

CBitmapMenu::~CBitmapMenu()
{
    // The menu belongs to its owner; only the faces are this object's.
    Detach();
}

void CBitmapMenu::MeasureItem(MEASUREITEMSTRUCT* item)
{
    item->itemWidth = 80;
    item->itemHeight = kRowHeight;
}

void CBitmapMenu::DrawRows(CDC& target, CDC& memory)
{
    for (int row = 0; row < kRows; ++row) {
        HGDIOBJ previous = memory.SelectObject(m_bmpNormal[row].GetSafeHandle());
        target.BitBlt(0, kRowHeight * row, kFaceWidth, kRowHeight, &memory, 0, 0, SRCCOPY);
        memory.SelectObject(previous);
    }
}

void CBitmapMenu::DrawItem(DRAWITEMSTRUCT* item)
{
    CDC target;
    target.Attach(item->hDC);
    CDC memory;
    memory.CreateCompatibleDC(&target);

    if (item->itemAction & ODA_DRAWENTIRE)
        DrawRows(target, memory);
    if ((item->itemState & ODS_SELECTED) && (item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) {
        DrawRows(target, memory);
        for (int row = 0; row < kRows; ++row) {
            if (kRowIds[row] != item->itemID)
                continue;
            HGDIOBJ previous = memory.SelectObject(m_bmpHighlight[row].GetSafeHandle());
            target.BitBlt(0, kRowHeight * row, kFaceWidth, kRowHeight, &memory, 0, 0, SRCCOPY);
            memory.SelectObject(previous);
        }
        m_nLastItem = item->itemID;
    }
    target.Detach();
}
