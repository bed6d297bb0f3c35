// The button's stored-data record; see button_data.h.
#include "runtime/units/button_data.h"

namespace {

// The default caption, "按钮".
constexpr char kDefaultCaption[] = "\xB0\xB4\xC5\xA5";

}  // namespace

void ButtonData::Reset() {
    picture.clear();
    defaultButton = 0;
    caption = kDefaultCaption;
    horizontalAlignment = 1;
    verticalAlignment = 1;
    font.clear();
}

int ButtonData::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive.WriteDWord(kButtonStoredVersion);
        archive.WriteInt(defaultButton);
        archive.WriteInt(horizontalAlignment);
        archive.WriteInt(verticalAlignment);
        archive.WriteBlock(picture.data(), picture.size());
        archive.WriteBlock(font.data(), font.size());
        archive.WriteText(caption);
        return 1;
    }
    UnitData::Serialize(archive);
    if (!ReadStoredVersion(archive, kButtonStoredVersion, nullptr))
        return 0;
    defaultButton = archive.ReadInt();
    horizontalAlignment = archive.ReadInt();
    verticalAlignment = archive.ReadInt();
    archive.ReadBlock(picture);
    archive.ReadBlock(font);
    archive.ReadText(caption);
    return archive.IsOk() ? 1 : 0;
}

void ButtonData::ForEachText(UnitTextVisitor& visitor) {
    visitor.VisitFontBlock(font);
    visitor.VisitText(caption);
}
