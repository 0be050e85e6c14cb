#include "tools/demo/demo_song.h"

#include <initializer_list>

namespace qn {

namespace {

// Note numbers: C-0 is 1, so a note is octave * 12 + semitone + 1.
enum Semitone { C = 0, Cs, D, Ds, E, F, Fs, G, Gs, A, As, B };
constexpr int N(int semitone, int octave) { return octave * 12 + semitone + 1; }

enum Waves { kBassWave = 1, kLeadWave, kPadWave, kKickWave, kSnareWave, kHatWave };
enum Instruments { kBass = 1, kLead, kPad, kKick, kSnare, kHat, kArp };
enum Osc { kSaw = 0, kTriangle = 1, kSquare = 2, kNoise = 3 };

void SetStep(InstrumentStep& step, int note, int command, int parameter, bool linked = false) {
    step.b0 = uint8_t((note & 0x3f) | (linked ? 0x80 : 0));
    step.b1 = uint8_t(command & 15);
    step.b2 = uint8_t(parameter);
}

// A looping wave: a 128-byte window that wanders slowly through the wave,
// which is what makes a detuned or phase-modulated wave move over time.
void Wandering(WaveParams& wave, int lengthIndex, int wait, int step) {
    wave.lengthIndex = uint8_t(lengthIndex);
    wave.waveLength = uint16_t((lengthIndex + 1) * 128);
    wave.loopStart = 0;
    wave.loopEnd = wave.waveLength;
    wave.subloopLen = 128;
    wave.subloopWait = uint8_t(wait);
    wave.subloopStep = uint16_t(step);
}

// A one-shot: the whole wave plays once from its start.
void OneShot(WaveParams& wave, int lengthIndex) {
    wave.lengthIndex = uint8_t(lengthIndex);
    wave.waveLength = uint16_t((lengthIndex + 1) * 128);
    wave.subloopLen = 0;
    wave.loopOffset = 0;
}

void BuildWaves(Song& song) {
    WaveParams& bass = *song.Wave(kBassWave);  // warm, resonant low-passed saw
    bass.flags = kSaw;
    bass.gain = 110;
    bass.filterType = 1;
    bass.resonance = 40;
    bass.filterStart = 150;
    bass.filterLower = 150;
    bass.filterUpper = 150;

    WaveParams& lead = *song.Wave(kLeadWave);  // pulse with moving width, an octave up
    lead.flags = kSquare;
    lead.baseNote = 12;
    lead.gain = 90;
    lead.phaseMin = 10;
    lead.phaseMax = 90;
    lead.phaseSpeed = 3;
    Wandering(lead, 7, 2, 2);

    WaveParams& pad = *song.Wave(kPadWave);  // detuned minor-third saw pair, filtered
    pad.flags = kSaw;
    pad.chord[0] = 12;
    pad.modFlags = uint8_t(1 | (1 << 3));  // unisono 1
    pad.gain = 56;
    pad.filterType = 1;
    pad.resonance = 10;
    pad.filterStart = 120;
    pad.filterLower = 90;
    pad.filterUpper = 170;
    pad.filterSpeed = 6;
    Wandering(pad, 15, 1, 2);

    WaveParams& kick = *song.Wave(kKickWave);  // falling triangle with a quick decay
    kick.flags = kTriangle;
    kick.baseNote = 12;
    kick.gain = 255;
    kick.pitchRamp = -40;
    kick.decay = 60;
    kick.sustain = 0;
    OneShot(kick, 15);

    WaveParams& snare = *song.Wave(kSnareWave);  // noise burst, band-passed
    snare.flags = kNoise;
    snare.gain = 200;
    snare.filterType = 3;
    snare.filterStart = 60;
    snare.filterLower = 60;
    snare.filterUpper = 60;
    snare.decay = 90;
    snare.sustain = 0;
    OneShot(snare, 15);

    WaveParams& hat = *song.Wave(kHatWave);  // short high-passed noise tick
    hat.flags = kNoise;
    hat.shift = 7;
    hat.gain = 120;
    hat.filterType = 2;
    hat.filterStart = 40;
    hat.filterLower = 40;
    hat.filterUpper = 40;
    hat.decay = 160;
    hat.sustain = 0;
    OneShot(hat, 3);

    const char* names[] = {"Bass", "Pulse Lead", "Pad", "Kick", "Snare", "Hat"};
    for (int i = 0; i < 6; ++i) SetFixedText(song.waveNames[i], kNameLength, names[i]);
    song.waveCount = 6;
}

void Instrument(Song& song, int number, const char* name, int attack, int decay, int sustain,
                int release, int wave) {
    InstrumentParams& params = *song.Instrument(number);
    params.attack = uint8_t(attack);
    params.decay = uint8_t(decay);
    params.sustain = uint8_t(sustain);
    params.release = uint8_t(release);
    SetStep(song.instrumentSteps[number - 1][0], 0, 0, wave);
    SetFixedText(song.instrumentNames[number - 1], kNameLength, name);
}

void BuildInstruments(Song& song) {
    Instrument(song, kBass, "Bass", 0, 6, 9, 4, kBassWave);
    Instrument(song, kLead, "Lead", 2, 5, 11, 6, kLeadWave);
    InstrumentParams& lead = *song.Instrument(kLead);
    lead.vibratoDelay = 6;
    lead.vibratoDepth = 4;
    lead.vibratoSpeed = 4;
    Instrument(song, kPad, "Pad", 11, 3, 12, 10, kPadWave);
    Instrument(song, kKick, "Kick", 0, 0, 15, 0, kKickWave);
    Instrument(song, kSnare, "Snare", 0, 0, 15, 0, kSnareWave);
    Instrument(song, kHat, "Hat", 0, 0, 15, 0, kHatWave);
    // The arpeggio steps through root, the pattern's chord offsets and the
    // octave, one step per tick: E01/E02 take the chord row's offsets.
    Instrument(song, kArp, "Arp", 0, 4, 8, 3, kLeadWave);
    InstrumentStep* steps = song.instrumentSteps[kArp - 1];
    SetStep(steps[0], 1, 0, kLeadWave);  // note 1 = no transposition
    SetStep(steps[1], 0, 0xE, 0x01);
    SetStep(steps[2], 0, 0xE, 0x02);
    SetStep(steps[3], 13, 0, 0);         // an octave up
    SetStep(steps[4], 1, 0xB, 1);        // back to step 1
}

struct Pattern {
    Song& song;
    int number;
    qntPatternStep& At(int row) { return song.Pattern(number)[row]; }
    void Note(int row, int note, int instrument, int command = 0, int parameter = 0) {
        At(row).SetNote(note);
        At(row).SetInstrument(instrument);
        At(row).SetCommand(command);
        At(row).SetParameter(parameter);
    }
    void Command(int row, int command, int parameter) {
        At(row).SetCommand(command);
        At(row).SetParameter(parameter);
    }
    void Chord(int row, int note, int instrument, int second, int third) {
        Note(row, note, instrument, 0, (second << 4) | third);
        At(row).SetChord(true);
    }
};

// A minor: Am, F, C, G for one 16-row bar each.
constexpr int kRoots[4] = {N(A, 1), N(F, 1), N(C, 2), N(G, 1)};
constexpr int kThirds[4] = {3, 4, 4, 4};  // minor third on A, major on the rest

void BassPattern(Song& song, int number, bool busy) {
    Pattern p{song, number};
    for (int bar = 0; bar < 4; ++bar) {
        const int root = kRoots[bar];
        const int base = bar * 16;
        p.Note(base + 0, root, kBass);
        p.Note(base + 6, root, kBass);
        p.Note(base + 8, root + 12, kBass);
        if (busy) {
            p.Note(base + 11, root + 7, kBass);
            p.Note(base + 14, root + 12, kBass);
        } else {
            p.Note(base + 12, kReleaseNote, 0);
        }
    }
}

void DrumPattern(Song& song, int number, bool full) {
    Pattern p{song, number};
    for (int beat = 0; beat < 16; ++beat) {
        const int row = beat * 4;
        if (beat % 2 == 0)
            p.Note(row, N(C, 2), kKick);
        else if (full)
            p.Note(row, N(D, 2), kSnare);
        else
            p.Note(row, N(C, 3), kHat);
        if (full) p.Note(row + 2, N(C, 3), kHat, 0xC, 28);
    }
    if (full) {
        p.Note(58, N(D, 2), kSnare);
        p.Note(62, N(D, 2), kSnare, 0xC, 40);
    }
}

void PadPattern(Song& song, int number) {
    Pattern p{song, number};
    for (int bar = 0; bar < 4; ++bar) {
        // Pad notes an octave above the bass root plus the chord's third.
        p.Note(bar * 16, kRoots[bar] + 12 + kThirds[bar], kPad);
        p.Note(bar * 16 + 14, kReleaseNote, 0);
    }
}

void MelodyPattern(Song& song, int number, bool answer) {
    Pattern p{song, number};
    // Two-bar phrases over Am-F and C-G; the answer ends higher.
    const int phrase[] = {N(E, 3), N(A, 3), N(C, 4), N(B, 3), N(A, 3), N(E, 3), N(F, 3), N(A, 3),
                          N(G, 3), N(E, 3), N(D, 3), N(E, 3), N(G, 3), N(B, 3), N(D, 4), N(B, 3)};
    const int rows[] = {0, 4, 8, 12, 14, 16, 20, 24, 32, 36, 40, 44, 46, 48, 52, 56};
    for (int i = 0; i < 16; ++i) {
        int note = phrase[i] - 12;  // the lead wave sounds an octave up
        if (answer && i >= 12) note += 2;
        p.Note(rows[i], note, kLead);
    }
    p.Command(30, 0x3, 0);
    p.Note(28, N(A, 3) - 12 + 2, kLead, 0x3, 8);  // slide up into the next bar
    p.Command(60, 0xA, 0x02);                      // fade the last note
}

void ArpPattern(Song& song, int number) {
    Pattern p{song, number};
    for (int bar = 0; bar < 4; ++bar) {
        const int root = kRoots[bar] + 24 - 12;
        p.Chord(bar * 16, root, kArp, kThirds[bar], 7);
        p.Chord(bar * 16 + 8, root, kArp, kThirds[bar], 7);
    }
}

void EndingPattern(Song& song, int number, int voice) {
    Pattern p{song, number};
    const int notes[4] = {N(A, 1), N(E, 3) - 12, N(C, 3), N(A, 1)};
    const int instruments[4] = {kBass, kLead, kPad, kKick};
    p.Note(0, notes[voice], instruments[voice]);
    if (voice == 3) p.Command(32, 0xF, 0);  // the song stops; the chord rings into the fade
}

}  // namespace

void BuildDemoSong(SongDocument& doc, int repeats) {
    doc.ResetToNewSong();
    Song& song = doc.song;
    SetFixedText(doc.title, kTitleLength, "Quillnote Demo");
    SetFixedText(doc.author, kTitleLength, "Quillnote");
    BuildWaves(song);
    BuildInstruments(song);

    // Patterns: 1-2 bass, 3-4 drums, 5 pad, 6-7 melody, 8 arpeggio,
    // 9-12 the ending, 13 empty.
    BassPattern(song, 1, false);
    BassPattern(song, 2, true);
    DrumPattern(song, 3, false);
    DrumPattern(song, 4, true);
    PadPattern(song, 5);
    MelodyPattern(song, 6, false);
    MelodyPattern(song, 7, true);
    ArpPattern(song, 8);
    for (int voice = 0; voice < 4; ++voice) EndingPattern(song, 9 + voice, voice);

    // Voices 0 and 3 sound left, 1 and 2 right.
    const int sequence[][4] = {
        {1, 13, 5, 3},   // intro: bass, pad, hats
        {2, 6, 5, 4},    // melody
        {2, 8, 5, 4},    // arpeggio
        {2, 7, 5, 4},    // melody, answered higher
        {9, 10, 11, 12}, // held ending chord
    };
    repeats = repeats < 1 ? 1 : (repeats > 84 ? 84 : repeats);
    const int positions = 2 + 3 * repeats;
    song.SetSequenceLength(positions);
    for (int position = 0; position < positions; ++position) {
        const int part = position == 0 ? 0 : (position == positions - 1 ? 4 : 1 + (position - 1) % 3);
        for (int voice = 0; voice < 4; ++voice) {
            song.Position(position)[voice].pattern = uint8_t(sequence[part][voice]);
            song.Position(position)[voice].transpose = 0;
        }
    }
}

}  // namespace qn
