#include "editors/pattern_edit.h"

#include <algorithm>
#include <cstring>

namespace qn {

void WriteNote(uint8_t* step, int note) { step[0] = uint8_t((step[0] & 0xc0) | (note & 0x3f)); }

static int InstrumentOf(const uint8_t* step) { return ((step[0] >> 3) & 16) | (step[1] >> 4); }

static void WriteInstrument(uint8_t* step, int instrument) {
    instrument = std::min(instrument, kSelectableInstruments);
    step[0] = uint8_t((step[0] & 0x7f) | ((instrument & 16) << 3));
    step[1] = uint8_t((step[1] & 0x0f) | ((instrument & 15) << 4));
}

void WriteInstrumentHigh(uint8_t* step, int digit) { WriteInstrument(step, digit * 16 + (InstrumentOf(step) & 15)); }
void WriteInstrumentLow(uint8_t* step, int digit) { WriteInstrument(step, (InstrumentOf(step) & 16) + digit); }
// The command shares its byte with the instrument's low bits.
void WriteCommand(uint8_t* step, int command) { step[1] = uint8_t((step[1] & 0xf0) | (command & 0x0f)); }
void WriteParameterHigh(uint8_t* step, int digit) { step[2] = uint8_t((step[2] & 0x0f) | ((digit & 15) << 4)); }
void WriteParameterLow(uint8_t* step, int digit) { step[2] = uint8_t((step[2] & 0xf0) | (digit & 15)); }

int EnterChordKey(qntPatternStep& step, int count, int note) {
    step.SetChord(true);
    if (count == 0) {
        step.SetCommand(0);
        step.SetNote(note);
        step.SetParameter(0);
        return 1;
    }
    int offset = note - step.Note();
    if (offset < 0 || offset > 15) return count;
    step.SetCommand(0);
    int parameter = step.Parameter();
    if (count == 1) {
        step.SetParameter(offset);
    } else if (count == 2) {
        step.SetParameter((parameter << 4) | offset);
    } else {
        // The fourth note: the first offset moves on into the command.
        step.SetCommand(parameter >> 4);
        step.SetParameter(((parameter << 4) | offset) & 0xff);
        return 0;
    }
    return count + 1;
}

void InsertRow(qntPatternStep* pattern, int rows, int row) {
    if (row < 0 || row >= rows) return;
    std::memmove(pattern + row + 1, pattern + row, size_t(rows - row - 1) * sizeof(qntPatternStep));
    pattern[row] = qntPatternStep{};
}

void RemoveRow(qntPatternStep* pattern, int rows, int row) {
    if (row < 0 || row >= rows) return;
    std::memmove(pattern + row, pattern + row + 1, size_t(rows - row - 1) * sizeof(qntPatternStep));
}

void SpreadRows(qntPatternStep* pattern, int rows, int row) {
    for (int at = row + 1; at < rows; at += 2) InsertRow(pattern, rows, at);
}

void SqueezeRows(qntPatternStep* pattern, int rows, int row) {
    for (int at = row + 1; at < rows; ++at) RemoveRow(pattern, rows, at);
}

void TransposeRows(qntPatternStep* pattern, int rows, int first, int last, int semitones) {
    for (int row = std::max(first, 0); row <= last && row < rows; ++row) {
        int note = pattern[row].Note();
        if (note == 0 || note == kReleaseNote) continue;
        pattern[row].SetNote(std::clamp(note + semitones, 1, kMaxNote));
    }
}

void ClearRows(qntPatternStep* pattern, int rows, int first, int last, bool commandOnly) {
    for (int row = std::max(first, 0); row <= last && row < rows; ++row) {
        if (commandOnly) {
            pattern[row].SetCommand(0);
            pattern[row].SetParameter(0);
        } else {
            pattern[row] = qntPatternStep{};
        }
    }
}

void CopyRows(PatternClipboard& clipboard, const qntPatternStep* pattern, int rows, int first, int last, int owner) {
    clipboard.count = 0;
    clipboard.owner = owner;
    for (int row = std::max(first, 0); row <= last && row < rows && clipboard.count < PatternClipboard::kCapacity;
         ++row)
        clipboard.steps[clipboard.count++] = pattern[row];
}

int PasteRows(const PatternClipboard& clipboard, qntPatternStep* pattern, int rows, int row, bool commandOnly) {
    int written = 0;
    for (int i = 0; i < clipboard.count && row + i < rows; ++i, ++written) {
        const qntPatternStep& from = clipboard.steps[i];
        qntPatternStep& to = pattern[row + i];
        if (commandOnly) {
            to.SetCommand(from.Command());
            to.SetParameter(from.Parameter());
        } else {
            to = from;
        }
    }
    return written;
}

static void Normalize(PatternClipboard& clipboard) {
    if (clipboard.selectionStart > clipboard.selectionEnd) std::swap(clipboard.selectionStart, clipboard.selectionEnd);
}

// A fresh selection of rows first..last in `track`.
static void StartSelection(PatternClipboard& clipboard, int track, int first, int last) {
    clipboard.selectionStart = first;
    clipboard.selectionEnd = last;
    clipboard.owner = track;
}

void SelectRows(PatternClipboard& clipboard, int track, int first, int last) {
    if (clipboard.HasSelection() && clipboard.owner == track)
        clipboard.selectionEnd = last;
    else
        StartSelection(clipboard, track, first, last);
    Normalize(clipboard);
}

void ExtendSelection(PatternClipboard& clipboard, int track, int from, int to) {
    if (clipboard.HasSelection() && clipboard.owner == track && from == clipboard.selectionStart &&
        from != clipboard.selectionEnd) {
        clipboard.selectionStart = to;
    } else if (clipboard.HasSelection() && clipboard.owner == track && from == clipboard.selectionEnd) {
        clipboard.selectionEnd = to;
    } else {
        StartSelection(clipboard, track, from, to);
    }
    Normalize(clipboard);
    // A clipboard holds at most 128 rows.
    clipboard.selectionEnd = std::min(clipboard.selectionEnd, clipboard.selectionStart + PatternClipboard::kCapacity - 1);
}

bool InsertPosition(Song& song, int position) {
    int length = int(song.sequenceLength);
    if (length >= kMaxInsertLength || position < 0 || position > length) return false;
    for (int i = length; i > position; --i)
        std::memcpy(song.Position(i), song.Position(i - 1), kVoices * sizeof(SequenceEntry));
    std::memset(song.Position(position), 0, kVoices * sizeof(SequenceEntry));
    song.sequenceLength = uint32_t(length + 1);
    return true;
}

bool RemovePosition(Song& song, int position) {
    int length = std::min(int(song.sequenceLength), kMaxPositions);
    if (position < 0 || position >= length) return false;
    for (int i = position; i < length - 1; ++i)
        std::memcpy(song.Position(i), song.Position(i + 1), kVoices * sizeof(SequenceEntry));
    std::memset(song.Position(length - 1), 0, kVoices * sizeof(SequenceEntry));
    song.sequenceLength = uint32_t(length - 1);
    return true;
}

int FreePatternNumber(const Song& song) {
    bool used[kMaxPatterns + 1] = {};
    int length = std::min(int(song.sequenceLength), kMaxPositions);
    for (int position = 0; position < length; ++position)
        for (int voice = 0; voice < kVoices; ++voice) used[song.Position(position)[voice].pattern] = true;
    for (int number = 1; number <= kMaxPatterns; ++number)
        if (!used[number]) return number;
    return 0;
}

void CopySequence(SequenceClipboard& clipboard, const Song& song) {
    if (!clipboard.HasSelection()) return;
    for (int voice = clipboard.firstVoice; voice <= clipboard.lastVoice && voice < kVoices; ++voice)
        for (int position = clipboard.firstPosition; position <= clipboard.lastPosition && position < kMaxPositions;
             ++position)
            clipboard.entries[voice][position] = song.Position(position)[voice];
    clipboard.copiedFirstVoice = clipboard.firstVoice;
    clipboard.copiedFirstPosition = clipboard.firstPosition;
    clipboard.copiedLastVoice = std::min(clipboard.lastVoice, kVoices - 1);
    clipboard.copiedLastPosition = std::min(clipboard.lastPosition, kMaxPositions - 1);
}

void PasteSequence(const SequenceClipboard& clipboard, Song& song, int voice, int position) {
    if (clipboard.copiedFirstVoice < 0) return;
    for (int v = clipboard.copiedFirstVoice; v <= clipboard.copiedLastVoice; ++v)
        for (int p = clipboard.copiedFirstPosition; p <= clipboard.copiedLastPosition; ++p) {
            int toVoice = voice + v - clipboard.copiedFirstVoice;
            int toPosition = position + p - clipboard.copiedFirstPosition;
            if (toVoice >= kVoices || toPosition >= kMaxPositions) continue;
            song.Position(toPosition)[toVoice] = clipboard.entries[v][p];
        }
}

void ClearSequence(const SequenceClipboard& clipboard, Song& song) {
    if (!clipboard.HasSelection()) return;
    for (int voice = clipboard.firstVoice; voice <= clipboard.lastVoice && voice < kVoices; ++voice)
        for (int position = clipboard.firstPosition; position <= clipboard.lastPosition && position < kMaxPositions;
             ++position)
            song.Position(position)[voice] = SequenceEntry{};
}

void ExtendSequenceSelection(SequenceClipboard& clipboard, int voice, int position) {
    if (voice > clipboard.firstVoice)
        clipboard.lastVoice = voice;
    else
        clipboard.firstVoice = voice;
    if (position > clipboard.firstPosition)
        clipboard.lastPosition = position;
    else
        clipboard.firstPosition = position;
    if (clipboard.firstVoice < 0) clipboard.firstVoice = clipboard.lastVoice;
    if (clipboard.lastVoice < 0) clipboard.lastVoice = clipboard.firstVoice;
    if (clipboard.firstPosition < 0) clipboard.firstPosition = clipboard.lastPosition;
    if (clipboard.lastPosition < 0) clipboard.lastPosition = clipboard.firstPosition;
}

}  // namespace qn
