// libFuzzer target for one unit kind's own stored-data loader (the record the unit object itself
// loads when it is created), chosen at build time by FUZZ_WINDOW_DATA, FUZZ_EDIT_BOX_DATA,
// FUZZ_BUTTON_DATA or FUZZ_TRANS_LABEL_DATA. Built and run by scripts/fuzz.sh. Beyond "no crash":
// whatever the loader accepts saves, loads again and saves to the same bytes (a refused block
// makes the unit's creation fail, so nothing of it is used). A broken promise traps.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/framework/archive.h"
#include "runtime/framework/mem_file.h"

#if defined(FUZZ_WINDOW_DATA)
#include "runtime/units/window_data.h"
using Data = WindowData;
#elif defined(FUZZ_EDIT_BOX_DATA)
#include "runtime/units/edit_box_data.h"
using Data = EditBoxData;
#elif defined(FUZZ_BUTTON_DATA)
#include "runtime/units/button_data.h"
using Data = ButtonData;
#elif defined(FUZZ_TRANS_LABEL_DATA)
#include "runtime/units/trans_label_data.h"
using Data = TransLabelData;
#else
#error "name the unit kind to fuzz"
#endif

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

std::vector<uint8_t> Save(Data& record) {
    CMemFile file;
    {
        CArchive archive(file, CArchive::store);
        Check(record.Serialize(archive) == 1);
        Check(archive.Flush());
        archive.Close();
    }
    return file.Detach();
}

// Texts and font blocks are handed out whole; touching every byte lets ASan see them.
class TouchingVisitor : public UnitTextVisitor {
public:
    void VisitText(std::string& text) override { sum_ += Sum(text.data(), text.size()); }
    void VisitFontBlock(std::vector<uint8_t>& block) override { sum_ += Sum(block.data(), block.size()); }
    unsigned sum_ = 0;

private:
    static unsigned Sum(const void* p, size_t n) {
        unsigned s = 0;
        for (size_t i = 0; i < n; ++i)
            s += static_cast<const uint8_t*>(p)[i];
        return s;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0x7FFFFFFF)
        return 0;
    Data record;
    if (!LoadStoredData(record, data, static_cast<int32_t>(size)))
        return 0;
    TouchingVisitor visitor;
    record.ForEachText(visitor);
    const std::vector<uint8_t> saved = Save(record);
    Data again;
    Check(LoadStoredData(again, saved.data(), static_cast<int32_t>(saved.size())));
    Check(Save(again) == saved);
    return 0;
}
