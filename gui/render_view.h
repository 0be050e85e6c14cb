// Views that draw sound as lines: the scope of the program's output, a view
// of a signed 8-bit sample with its loop markers, and the overlay whose two
// markers drag the loop points along such a view.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "gui/label.h"

namespace qn {

class ButtonNumber;

// The last tenth of a second of a ring of mono samples, as a polyline.
class RenderView : public GuiItem {
public:
    RenderView();
    void Draw() override;

    // The ring the audio thread writes, its size, and the count of samples
    // written so far (the next one goes to count modulo size). The lock, when
    // given, is the one the writer holds.
    const int16_t* ring = nullptr;
    int ringSize = 0;
    const int64_t* writeCounter = nullptr;
    std::recursive_mutex* lock = nullptr;
    int windowSamples = 4800;

private:
    std::vector<SDL_Point> points_;
};

// A signed 8-bit sample with optional loop, subloop and loop-offset marks.
// The owner fills the fields every frame before the view is drawn.
class RenderView8Bit : public GuiItem {
public:
    RenderView8Bit();
    void Draw() override;

    int32_t length = 0;
    const int8_t* data = nullptr;
    // Samples readable from `data`; the shown length never goes past it.
    int32_t dataSize = 0;
    int32_t loopStart = 0;
    int32_t subloopLength = 0;
    int32_t loopEnd = 0;
    int32_t subloopPosition = 0;
    int32_t loopOffset = -1;
    int32_t volume = 64;

private:
    std::vector<SDL_Point> points_;
};

// A small label the mouse drags along its parent; its position is a
// fraction of the parent's width, moved in whole steps.
class DragableLable : public GuiLabel {
public:
    DragableLable();
    void Draw() override;
    bool Update() override;
    void OnMouseButton(MouseEvent* event) override;

    // The step nearest the position, and back.
    int32_t StepPosition() const;
    void SetStepPosition(int32_t step);

    const char* textPointer = "Lable";
    int side = 0;  // 0 marks at its left edge, 1 at its right edge
    int32_t steps = 1;
    double position = 0.0;
    double lastMouseX = 0.0;
    bool dragging = false;
    bool moved = false;  // a drag changed the position since the last read
    int64_t frameCounter = 0;
    int64_t lastDragFrame = -2;

private:
    const char* shownText_ = nullptr;
};

// An overlay of a sample view with the loop start and loop end markers,
// bound to two number fields.
class RenderView8BitDrag : public GuiItem {
public:
    RenderView8BitDrag(ButtonNumber* loopStartField, ButtonNumber* loopEndField);
    bool Update() override;

    struct Marker {
        DragableLable* label = nullptr;
        ButtonNumber* field = nullptr;
        int32_t lastSet = -1;
        int32_t lastRead = -1;
        int32_t lastSteps = 0;
    };

    // The sample count the markers move over (the current wave's length).
    std::function<int32_t()> getSteps;
    bool markersPending = true;
    Marker markers[2];
};

}  // namespace qn
