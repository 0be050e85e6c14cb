// The main window's editing panes: the sequence editor, the song settings
// pane beside it and the pattern editor below, in the standard layout or,
// with "Wide Gui", with the pattern editor at the window's left edge and a
// tall sequence editor beside it.
#include "app/app.h"
#include "editors/area_pattern.h"
#include "editors/area_sequencer.h"

namespace qn {

// Positions relative to the root panel, which "Wide Gui" moves 256 pixels right.
constexpr int kSequencerTitleHeight = 20;
constexpr int kSequencerWidth = 252;
constexpr int kSettingsHeight = 154;
constexpr int kSettingsHeightWide = 64;

void App::CreatePatternChannels(GuiItem* root) {
    const bool wide = WideGui();

    AreaSequencer* sequencer = root->Add(new AreaSequencer(this));
    const int lines = sequencer->Lines();
    sequencer->x = wide ? 166 : 4;
    sequencer->y = wide ? 58 : -2;
    sequencer->w = kSequencerWidth;
    sequencer->h = kSequencerTitleHeight + lines * kSequenceRowHeight + 4;
    for (int voice = -1; voice < kVoices; ++voice) {
        ChannelSequencer* channel = sequencer->AddChannel(new ChannelSequencer(this, sequencer, voice));
        channel->x = voice < 0 ? 4 : 4 + kPositionColumnWidth + 4 + voice * kSequenceColumnPitch;
        channel->y = kSequencerTitleHeight;
        channel->h = lines * kSequenceRowHeight;
    }

    AreaPattern* pattern = root->Add(new AreaPattern(this));
    const int rows = pattern->VisibleRows();
    pattern->x = wide ? -252 : 4;
    pattern->y = wide ? kSettingsHeightWide : sequencer->y + sequencer->h + 2;
    pattern->w = 4 + kRowNumberWidth + 8 + 3 * kVoiceColumnPitch + kVoiceColumnWidth + 4;
    pattern->h = rows * kPatternRowHeight + 4;
    for (int voice = -1; voice < kVoices; ++voice) {
        ChannelPattern* channel = pattern->AddChannel(new ChannelPattern(this, pattern, voice));
        channel->x = voice < 0 ? 4 : 4 + kRowNumberWidth + 8 + voice * kVoiceColumnPitch;
        channel->y = 2;
        channel->h = rows * kPatternRowHeight;
        if (voice < 0) continue;
        ButtonMute* mute = channel->Add(new ButtonMute(this, voice));
        mute->x = channel->w - 21;
        mute->y = 6;
    }
}

void App::CreateEditorPanes(GuiItem* root) {
    CreatePatternChannels(root);
    const bool wide = WideGui();
    CreateSongSettings(this, root, wide ? -252 : 260, -2, wide ? kSettingsHeightWide : kSettingsHeight);
}

}  // namespace qn
