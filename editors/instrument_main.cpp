#include "editors/instrument_main.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "editors/editor_host.h"
#include "engine/replayer.h"
#include "gui/font.h"
#include "gui/label.h"
#include "gui/number_field.h"

namespace qn {

namespace {

constexpr int kSummaryTop = 490;
constexpr int kSummaryLeft = 12;
constexpr int kSummaryColumnGap = 32;
constexpr const char* kSummaryHeading = "<u>COMMANDS</u>\n";
constexpr const char* kSummaryLeftColumn =
    "0xx Select wave (01-18)\n1xx Slide Up  (00-ff)\n2xx Slide Down(00-ff)\n30x ADSR 1=release, 2=restart\n"
    "4xx Select wave (no sync)\nAxy Volume Slide\n";
constexpr const char* kSummaryRightColumn =
    "Bxx Jump to Step\nCxx Set Volume (00-40)\nE0x Get pattern arpeggio (0-3)\nE1x Like E0x,no note skip(0-3)\n"
    "Fxx Speed";

// A section title centred over the span [left, right).
class SectionTitle : public GuiItem {
public:
    SectionTitle(const char* title, Font* font) : text(title), face(font) {
        frame = false;
        hittable = false;
    }
    void Draw() override {
        if (hidden || !face) return;
        SDL_Rect rect = AbsoluteRect();
        face->DrawText(text, rect.x + (rect.w - face->TextWidth(text)) / 2, rect.y, gDefaultTextColour);
    }
    const char* text;
    Font* face;
};

struct FieldSpec {
    const char* caption;
    int recordByte;
    int displayOffset;
};

}  // namespace

InstrumentMain::InstrumentMain(Font* font) : textFont(font) {
    frame = false;
    hittable = false;
}

void InstrumentMain::Draw() {
    if (hidden || !textFont) return;
    SDL_Rect rect = AbsoluteRect();
    const Rgba colour = gDefaultTextColour;
    // The summary is set close, one glyph width per character, so both
    // columns fit beside each other; the heading is spaced 2 pixels wider.
    const int savedSpacing = textFont->spacing;
    const int closeSpacing = savedSpacing - 2;
    textFont->spacing = closeSpacing + 2;
    textFont->DrawText(kSummaryHeading, rect.x + kSummaryLeft, rect.y + kSummaryTop, colour);
    textFont->spacing = closeSpacing;
    // The columns start on the line below the underlined heading.
    const int top = rect.y + kSummaryTop + textFont->lineHeight + 4;
    const int leftWidth = textFont->TextWidth(kSummaryLeftColumn);
    textFont->DrawText(kSummaryLeftColumn, rect.x + kSummaryLeft, top, colour);
    textFont->DrawText(kSummaryRightColumn, rect.x + kSummaryLeft + leftWidth + kSummaryColumnGap, top, colour);
    textFont->spacing = savedSpacing;
}

InstrumentWaveView::InstrumentWaveView(EditorHost* owner, const int8_t* waveMemory, size_t waveMemorySize)
    : host(owner), memory(waveMemory), memorySize(waveMemorySize) {}

void InstrumentWaveView::ShowRegisters(uint32_t sampleStart, uint16_t voiceLength, uint16_t voiceLoopOffset,
                                       uint8_t voiceVolume) {
    uint64_t start = sampleStart;
    if (voiceLoopOffset != kPlayOnce) start += voiceLoopOffset;
    volume = std::min<int32_t>(voiceVolume, 64);
    if (!memory || start >= memorySize) {
        data = nullptr;
        dataSize = 0;
        length = 0;
        return;
    }
    data = memory + start;
    dataSize = int32_t(std::min<uint64_t>(memorySize - start, INT32_MAX));
    length = std::min<int32_t>(voiceLength, dataSize);
}

void InstrumentWaveView::Draw() {
    VoiceRegisters registers;
    {
        std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
        registers = host->Player().voices[size_t(host->currentVoice & 3)].registers;
    }
    ShowRegisters(registers.sampleStart, registers.length, registers.loopOffset, registers.volume);
    RenderView8Bit::Draw();
}

void AddInstrumentFields(EditorHost* host, GuiItem* parent, int x, int y, Font* font) {
    static const FieldSpec kEnvelope[] = {{" Attack", 3, 0}, {"  Decay", 4, 0}, {"Sustain", 5, 0}, {"Release", 6, 0}};
    static const FieldSpec kVibrato[] = {{"Delay", 0, 0}, {"Depth", 1, 0}, {"Speed", 2, 1}};
    const int pitch = (font ? font->glyphHeight : 16) + 2;
    // The caption and value stand left of the two buttons (x .. x + 40):
    // the titles are centred over the widest caption, value and buttons.
    const int spanLeft = x - 2 * kCharAdvance - 2 - 7 * kCharAdvance;
    const int spanRight = x + 40;
    auto record = [host](int byte) {
        const int instrument = std::clamp(host->currentInstrument, 1, kSelectableInstruments);
        return reinterpret_cast<uint8_t*>(host->EditedSong().Instrument(instrument)) + byte;
    };
    auto section = [&](const char* title, const FieldSpec* fields, int count) {
        SectionTitle* heading = parent->Add(new SectionTitle(title, font));
        heading->x = spanLeft;
        heading->y = y;
        heading->w = spanRight - spanLeft;
        heading->h = pitch;
        y += pitch;
        for (int i = 0; i < count; ++i) {
            const int byte = fields[i].recordByte;
            auto setter = [host, record, byte](int value) {
                // The Replayer reads the record when it starts the instrument.
                std::lock_guard<std::recursive_mutex> lock(host->AudioLock());
                *record(byte) = uint8_t(value);
            };
            // Only this thread writes the record: reading needs no lock.
            auto getter = [record, byte] { return int(*record(byte)); };
            AddNumberField(parent, x, y, font, 0, 15, 1, 16, fields[i].displayOffset, fields[i].caption, setter,
                           getter);
            y += pitch;
        }
    };
    section("ADSR", kEnvelope, 4);
    y += pitch;  // a blank line between the sections
    section("VIBRATO", kVibrato, 3);
}

}  // namespace qn
