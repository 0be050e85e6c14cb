// Operations on the rows of one track and on the sequence, as the pattern
// and sequence editors' keys perform them. They work on the song's storage
// in place and take no lock: the panes call them holding the audio lock.
#pragma once

#include "editors/editor_host.h"
#include "song/song.h"

namespace qn {

// Bit-level writes of one pattern step, the handlers of the six
// sub-columns of a voice column (note, instrument high and low digit,
// command, parameter high and low nibble).
void WriteNote(uint8_t* step, int note);
void WriteInstrumentHigh(uint8_t* step, int digit);
void WriteInstrumentLow(uint8_t* step, int digit);
void WriteCommand(uint8_t* step, int command);
void WriteParameterHigh(uint8_t* step, int digit);
void WriteParameterLow(uint8_t* step, int digit);

// Chord entry with right Shift held: `count` keys were taken so far
// (0..3). Returns the new count; a key below the step's note, or more than
// 15 semitones above it, is ignored (it would spill into the next nibble).
int EnterChordKey(qntPatternStep& step, int count, int note);

// Row edits of one pattern of `rows` rows.
// An empty step at `row`; the rows below move down and the last is lost.
void InsertRow(qntPatternStep* pattern, int rows, int row);
// Removes `row`; the rows below move up and the last row keeps its content.
void RemoveRow(qntPatternStep* pattern, int rows, int row);
// Ctrl+E: an empty row before every second row from `row` + 1.
void SpreadRows(qntPatternStep* pattern, int rows, int row);
// Ctrl+Shift+E: removes every second row from `row` + 1.
void SqueezeRows(qntPatternStep* pattern, int rows, int row);
// Notes 1..60 of rows first..last moved by `semitones`, held within 1..60.
void TransposeRows(qntPatternStep* pattern, int rows, int first, int last, int semitones);
// Clears rows first..last (whole steps, or only command and parameter).
void ClearRows(qntPatternStep* pattern, int rows, int first, int last, bool commandOnly);
// Copies rows first..last, stopping at the pattern's end, into `clipboard`
// (which then belongs to `owner`).
void CopyRows(PatternClipboard& clipboard, const qntPatternStep* pattern, int rows, int first, int last, int owner);
// Writes the clipboard from `row`, stopping at the pattern's end; returns
// the number of rows written.
int PasteRows(const PatternClipboard& clipboard, qntPatternStep* pattern, int rows, int row, bool commandOnly);
// Selects rows `first`..`last` of `track`: an existing selection in that
// track only moves its end to `last`; the start is kept the smaller row.
void SelectRows(PatternClipboard& clipboard, int track, int first, int last);
// A Shift move from row `from` to row `to` in `track`: a selection there
// moves the end that stood at `from`; otherwise one starts at `from`.
void ExtendSelection(PatternClipboard& clipboard, int track, int from, int to);

// Sequence edits. Positions 0..254 exist; the length is at most 255.
constexpr int kMaxInsertLength = 254;
// An empty position at `position` (all four voices); nothing at length 254.
bool InsertPosition(Song& song, int position);
// Removes `position`; the rest move up, the last is cleared, length - 1.
bool RemovePosition(Song& song, int position);
// The lowest pattern number no voice uses below the length, or 0 when all
// 255 are in use.
int FreePatternNumber(const Song& song);
// Copies the clipboard's rectangle of entries.
void CopySequence(SequenceClipboard& clipboard, const Song& song);
// Writes the copied entries with their corner at (voice, position),
// skipping what falls beyond voice 3 or position 254.
void PasteSequence(const SequenceClipboard& clipboard, Song& song, int voice, int position);
// Clears the selected rectangle of entries.
void ClearSequence(const SequenceClipboard& clipboard, Song& song);
// Grows the rectangle to take in (voice, position).
void ExtendSequenceSelection(SequenceClipboard& clipboard, int voice, int position);

}  // namespace qn
