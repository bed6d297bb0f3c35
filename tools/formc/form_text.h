// The form source format: a readable text for windows, their units and menu items, event
// bindings by handler name and stored data by field name. Compiling gives the form block bytes
// and the handler slots; printing turns any form block (with its handler list, when known) back
// into that text, so source -> block -> source -> block gives the same bytes.
//
//     handlers { SetGameFolder  returns CanClose }      # slot order; "returns": gives a value
//     window 0x52010001 {
//       word-a 0x00356638                               # carried along, unused by loading
//       unit 0x06010000 window "" {                     # entry 0: the window itself
//         geometry 50 50 216 250  visible
//         on 0 SetGameFolder
//         data { caption "Tavori" border 2 }             # omitted fields keep their defaults
//       }
//       unit 0x16010033 Button "按钮1" {
//         geometry 41 80 128 24  visible tabstop
//         on 0 ApplyFrameLimit
//         data { caption "修改帧数" }
//       }
//       unit 0x16010050 0x00030001 "raw" { data hex "01000000 2A000000" }
//     }
//
// A byte-block field takes `hex "..."` or `file "path"` (the file's bytes, the path relative to
// the form), e.g. `data { background-picture file "bg.png" }`.
//
// Texts are UTF-8 in the source and GBK in the block; "\xHH" puts a raw byte in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct HandlerSlot {
    std::string name;            // the cdecl handler's C name
    bool producesValue = false;  // the slot's flag word says the handler returns a value
};

struct CompiledForm {
    std::vector<uint8_t> block;
    std::vector<HandlerSlot> handlers;  // slot i's binding offset is 12 * i
    uint32_t firstWindow = 0;           // the window a program opens at its start
    uint32_t highestSerial = 0;         // largest identifier serial (low 24 bits) in the form
};

// False with "line N: what" in *error. A byte-block field given as `file "path"` reads that
// file, relative to `baseDir` (the form's folder; empty: the current folder).
bool CompileFormText(const std::string& text, CompiledForm* out, std::string* error,
                     const std::string& baseDir = std::string());

// `handlers` may be null: bindings are then printed as raw offsets.
bool PrintFormBlock(const uint8_t* data, size_t size, const std::vector<HandlerSlot>* handlers,
                    std::string* text, std::string* error);

// The handler list file: one handler per line in slot order, "returns" after a name whose
// handler gives a value.
std::string HandlerListText(const std::vector<HandlerSlot>& handlers);
bool ParseHandlerList(const std::string& text, std::vector<HandlerSlot>* handlers, std::string* error);

bool IsHandlerName(const std::string& name);
