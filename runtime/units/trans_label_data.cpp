// The transparent label's stored-data record; see trans_label_data.h.
#include "runtime/units/trans_label_data.h"

namespace {

// The default caption, "透明标签".
constexpr char kDefaultCaption[] = "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9";

}  // namespace

void TransLabelData::Reset() {
    caption = kDefaultCaption;
    effect = 0;
    font.clear();
    textColour = 0;
    horizontalAlignment = 0;
    wordWrap = 0;
    verticalAlignment = 1;
}

int TransLabelData::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        archive.WriteDWord(kTransLabelStoredVersion);
        archive.WriteInt(effect);
        archive.WriteDWord(textColour);
        archive.WriteInt(horizontalAlignment);
        archive.WriteInt(verticalAlignment);
        archive.WriteInt(wordWrap);
        archive.WriteBlock(font.data(), font.size());
        archive.WriteText(caption);
        return 1;
    }
    UnitData::Serialize(archive);
    if (!ReadStoredVersion(archive, kTransLabelStoredVersion, nullptr))
        return 0;
    effect = archive.ReadInt();
    textColour = archive.ReadDWord();
    horizontalAlignment = archive.ReadInt();
    verticalAlignment = archive.ReadInt();
    wordWrap = archive.ReadInt();
    archive.ReadBlock(font);
    archive.ReadText(caption);
    return archive.IsOk() ? 1 : 0;
}

void TransLabelData::ForEachText(UnitTextVisitor& visitor) {
    visitor.VisitFontBlock(font);
    visitor.VisitText(caption);
}
