// The instrument editor window: the wave list down the left side, the step
// program pane with the window's title above it, the envelope and vibrato
// fields, the instrument list with "Back" and the page switch on the right,
// the view of the wave the current voice plays, and the command summary.
#include "app/app.h"
#include "app/status_bar.h"
#include "editors/area_instrument.h"
#include "editors/instrument_main.h"
#include "editors/song_lists.h"
#include "gui/label.h"

namespace qn {

namespace {

constexpr int kTop = kMenuBarHeight + 4;
constexpr int kWaveListX = 4, kWaveListWidth = 150, kWaveListHeight = 440;
constexpr int kStepPaneX = 158, kStepPaneY = kTop + 20;
constexpr int kFieldsX = 350, kFieldsY = 32;
constexpr int kInstrumentListX = 423, kInstrumentListWidth = 212, kInstrumentListHeight = 300;
constexpr int kWaveViewWidth = 211, kWaveViewHeight = 111;

}  // namespace

void App::CreateInstrumentWindow() {
    BeginWindow(kInstrumentWindow, &App::CreateInstrumentWindow, kCommandMainWindow);

    // The window's panes hang under one panel, which draws the command
    // summary beneath them; the wide layout centres it.
    InstrumentMain* main = new InstrumentMain(smallFont);
    main->x = (logicalWidth - kLogicalWidth) / 2;
    main->w = kLogicalWidth;
    main->h = logicalHeight;
    items.push_back(main);

    SimpleText* title = main->Add(new SimpleText());
    title->text = "Instrument Editor";
    title->x = kStepPaneX + 4;
    title->y = kTop;
    title->hittable = false;
    title->frame = false;

    main->Add(new WaveList(MakeListContext(), kWaveListX, kTop, kWaveListWidth, kWaveListHeight, true));

    AreaInstrument* steps = main->Add(new AreaInstrument(this));
    steps->x = kStepPaneX;
    steps->y = kStepPaneY;
    steps->w = kStepColumnWidth + 12;
    steps->h = kStepTitleHeight + kStepLinesVisible * kStepRowHeight + 4;
    ChannelInstrument* column = steps->AddChannel(new ChannelInstrument(this, steps));
    column->x = 6;
    column->y = kStepTitleHeight;

    AddInstrumentFields(this, main, kFieldsX, kFieldsY, baseFont);

    main->Add(new InstrumentList(MakeListContext(), kInstrumentListX, kTop, kInstrumentListWidth,
                                 kInstrumentListHeight, true));

    InstrumentWaveView* view =
        main->Add(new InstrumentWaveView(this, waveMemory ? waveMemory->Data() : nullptr, WaveMemory::Size()));
    view->x = kStepPaneX;
    view->y = steps->y + steps->h + 12;
    view->w = kWaveViewWidth;
    view->h = kWaveViewHeight;

    AddStatusBar(this, logicalHeight - 15);
}

}  // namespace qn
