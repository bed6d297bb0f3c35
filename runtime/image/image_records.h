// The fixed-layout records of a program image that hold absolute addresses: the image header,
// the support libraries' records with their command tables, unit type records and property
// descriptors. They exist only in the 32-bit Windows build, where an address is one word.
#pragma once

#include <cstdint>

#include "runtime/core/cmd_frame.h"

// A library command: fills the result, reads `count` argument records; returns nothing.
using CommandEntry = void (*)(CmdResult* result, int32_t count, CmdArg* args);

// The runtime's entry for support libraries and units: a request code and two words.
using RuntimeCallbackFn = uint32_t (*)(int32_t code, uint32_t word1, uint32_t word2);

// A library's notification entry. Message 1 hands over the RuntimeCallback (word 1);
// message 6 is the end of the program (word 1 = the library's data word).
using LibraryNotifyFn = uint32_t (*)(int32_t message, uint32_t word1, uint32_t word2);

enum LibraryMessage : int32_t {
    kLibraryStart = 1,  // word 1: the RuntimeCallback to keep for every later request
    kLibraryEnd = 6,    // word 1: the library's data word
};

constexpr uint32_t kLibraryFormat = 0x01312D65;  // 20000101, in every LibraryRecord

struct PropertyDescriptor {
    const char* name;
    const char* englishName;
    const char* explanation;
    uint16_t typeCode;
    uint16_t flags;
    const char* const* choices;
};

// The type's entry function hands out its operations by number.
using UnitTypeEntryFn = void* (*)(int32_t operation);

struct UnitTypeRecord {
    const char* name;
    const char* englishName;
    const char* explanation;
    int32_t methodCount;
    const void* methods;
    uint32_t state;              // type state bits
    uint32_t designerBitmap;
    int32_t eventCount;
    const void* events;
    int32_t propertyCount;       // the eight common properties included
    const PropertyDescriptor* properties;
    UnitTypeEntryFn entry;
    int32_t elementCount;
    const void* elements;
};

struct LibraryRecord {
    uint32_t format;                     // kLibraryFormat
    const char* identity;                // 32 hexadecimal characters
    int32_t versionMajor, versionMinor, build;
    int32_t runtimeMajor, runtimeMinor;  // runtime version the library needs
    int32_t coreMajor, coreMinor;        // core library version the library needs
    const char* name;
    int32_t language;                    // 1
    const char* explanation;
    uint32_t stateFlags;                 // 0xC0000001 for the core library, else 0
    const char* descriptive[8];          // author, postal code, address, telephone, fax, e-mail,
                                         // home page, other
    int32_t typeCount;
    const UnitTypeRecord* types;
    int32_t categoryCount;
    const void* categories;
    int32_t commandCount;
    const void* commandDescriptions;
    const CommandEntry* commands;        // null when commandCount is 0
    const void* addIn;
    const void* addInTexts;
    LibraryNotifyFn notify;              // null: the library needs no notification
    const void* templateRoutine;
    const void* templateTexts;
    int32_t constantCount;
    const void* constants;
    const void* dependentFiles;
};

struct ImageHeader {
    uint32_t buildKind;                  // 3 in a release build, 2 in a debugging build
    uint32_t reserved;
    uint32_t highestSerial;              // largest identifier serial used in the image
    uint32_t handlerBase;                // added to every handler offset of the form block
    const char* constantArea;
    int32_t constantAreaSize;
    const uint8_t* formBlock;
    int32_t formBlockSize;
    int32_t libraryCount;
    const LibraryRecord* const* libraries;  // entries may be null
    int32_t dllCommandCount;
    const char* const* dllFiles;         // file name per declared DLL command
    const char* const* dllEntries;       // entry name per command; "#N" is ordinal N
};

#if UINTPTR_MAX == 0xFFFFFFFF
static_assert(sizeof(LibraryRecord) == 36 * 4, "a library record is 36 words");
static_assert(sizeof(UnitTypeRecord) == 14 * 4, "a unit type record is 14 words");
static_assert(sizeof(PropertyDescriptor) == 20, "a property descriptor is 20 bytes");
static_assert(sizeof(ImageHeader) == 13 * 4, "the image header is 13 words");
#endif
