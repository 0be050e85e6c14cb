// The instrument editor's panes around the step program: the command
// summary, the view of the wave the current voice plays, and the "ADSR" and
// "VIBRATO" number fields of the current instrument's record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gui/gui_item.h"
#include "gui/render_view.h"

namespace qn {

class EditorHost;
class Font;

// The step commands, drawn below the editor: a heading and two columns.
class InstrumentMain : public GuiItem {
public:
    explicit InstrumentMain(Font* font);
    void Draw() override;

    Font* textFont;
};

// The wave the current voice plays, at the voice's volume. The voice's
// registers are copied under the audio lock once a frame, when drawn.
class InstrumentWaveView : public RenderView8Bit {
public:
    InstrumentWaveView(EditorHost* host, const int8_t* waveMemory, size_t waveMemorySize);
    void Draw() override;
    // Points the view at what registers of a voice play: length bytes from
    // sample start + loop offset (from sample start for a one-shot), kept
    // inside wave memory.
    void ShowRegisters(uint32_t sampleStart, uint16_t length, uint16_t loopOffset, uint8_t voiceVolume);

    EditorHost* host;
    const int8_t* memory;
    size_t memorySize;
};

// The seven fields of the current instrument's envelope and vibrato, in two
// sections with their titles, the first field at (x, y) and each next one
// a text line plus 2 pixels lower.
void AddInstrumentFields(EditorHost* host, GuiItem* parent, int x, int y, Font* font);

}  // namespace qn
