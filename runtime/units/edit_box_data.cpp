// The edit box's stored-data record; see edit_box_data.h.
#include "runtime/units/edit_box_data.h"

void EditBoxData::Reset() {
    *this = EditBoxData();
}

int EditBoxData::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive.WriteDWord(kEditBoxStoredVersion);
        for (int32_t word : {border, static_cast<int32_t>(textColour), static_cast<int32_t>(backColour),
                             hideSelection, maxLength, multiLine, scrollBars, alignment, inputMode})
            archive.WriteInt(word);
        archive.WriteWord(passwordChar);
        for (int32_t word : {letterCase, adjuster, adjusterLower, adjusterUpper, selectionStart, selectionLength})
            archive.WriteInt(word);
        archive.WriteBlock(font.data(), font.size());
        archive.WriteText(content);
        archive.WriteText(dataSource);
        archive.WriteText(dataColumn);
        return 1;
    }
    UnitData::Serialize(archive);
    uint32_t version = 0;
    if (!ReadStoredVersion(archive, kEditBoxStoredVersion, &version))
        return 0;
    for (int32_t* word : {&border, reinterpret_cast<int32_t*>(&textColour), reinterpret_cast<int32_t*>(&backColour),
                          &hideSelection, &maxLength, &multiLine, &scrollBars, &alignment, &inputMode})
        *word = archive.ReadInt();
    passwordChar = archive.ReadWord();
    for (int32_t* word : {&letterCase, &adjuster, &adjusterLower, &adjusterUpper, &selectionStart, &selectionLength})
        *word = archive.ReadInt();
    archive.ReadBlock(font);
    archive.ReadText(content);
    // Versions 0 and 1 end after the content; the binding names then stay empty.
    if (version >= 2) {
        archive.ReadText(dataSource);
        archive.ReadText(dataColumn);
    }
    return archive.IsOk() ? 1 : 0;
}

void EditBoxData::ForEachText(UnitTextVisitor& visitor) {
    visitor.VisitFontBlock(font);
    visitor.VisitText(content);
    visitor.VisitText(dataSource);
    visitor.VisitText(dataColumn);
}
