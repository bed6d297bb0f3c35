// The platform's MIDI stream output behind MidiStreamDevice: streams on the MIDI mapper.
#pragma once

#include "runtime/sound/midi_player.h"

// The one MIDI stream device of the process (stateless: every stream carries its own headers).
MidiStreamDevice& PlatformMidiStreamDevice();
