// Editing operations on one instrument's step program (32 steps): writing a
// note, inserting and removing steps with the jump targets that follow them.
// Plain functions on the table, so the editor pane only decides which one a
// key means; the caller holds the audio lock (the Replayer runs the table).
#pragma once

#include <cstdint>

#include "song/song_types.h"

namespace qn {

constexpr uint8_t kStepNoteMask = 0x3f;
constexpr uint8_t kStepFixedNote = 0x40;
constexpr uint8_t kStepLink = 0x80;
constexpr int kStepJumpCommand = 0xB;
// The highest note a step holds from the keyboard.
constexpr int kHighestStepNote = 58;

// Note bits := `note` held at most 58; the note-mode and link flags stay.
void WriteStepNote(InstrumentStep& step, int note);
// Writes a hex digit into sub-column 1 (command), 2 (parameter high) or 3
// (parameter low).
void WriteStepDigit(InstrumentStep& step, int column, int digit);

// Inserts an empty step at `at` (0..31): steps below move down, step 31 is
// lost. Every jump (command B) from `at` on whose target (0..31) is at or
// after `at` then points one step further, following its step.
void InsertStep(InstrumentStep* steps, int at);
// Shift+Insert: an empty step linked below `cursor`, which gets the link
// flag; the new step carries the flag on when the cursor step already had
// it, so a chain continues. On step 31 there is no step below: nothing
// changes (the table after it belongs to the next instrument).
void InsertLinkedStep(InstrumentStep* steps, int cursor);
// Backspace on `cursor` (1..31): step cursor - 1 is removed, the steps below
// move up and step 31 keeps its content. When the removed step was not
// linked, the step above it loses its link flag (its chain ended there).
// Jumps from the new cursor on whose target (0..31) lies after it point one
// step earlier. Returns the new cursor; on step 0 nothing changes.
int RemoveStepAbove(InstrumentStep* steps, int cursor);

}  // namespace qn
