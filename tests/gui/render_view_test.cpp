// The waveform views drawn by the software renderer and read back, and the
// loop markers dragged by mouse events.
#include <algorithm>
#include <cmath>
#include <vector>

#include "gui/number_field.h"
#include "gui/render_view.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

constexpr Rgba kLine = {127, 127, 127, 255};

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.started);
        harness.Frame(2);
        DeleteAll(harness.app->items);  // the views alone on the background
    }
    // Draws the frame once and keeps its pixels.
    void Snapshot() {
        harness.app->DrawFrame();
        int width = 0, height = 0;
        SDL_GetRendererOutputSize(harness.app->renderer, &width, &height);
        pixels.assign(size_t(width * height), 0);
        stride = width;
        SDL_RenderReadPixels(harness.app->renderer, nullptr, SDL_PIXELFORMAT_RGBA32, pixels.data(), width * 4);
    }
    Rgba At(int x, int y) const {
        uint32_t p = pixels[size_t(y * stride + x)];
        return Rgba{uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)};
    }
    // Rows of the line in column x of the view's inner rectangle.
    std::vector<int> LineRows(const GuiItem* view, int x) const {
        std::vector<int> rows;
        for (int y = view->y + 1; y < view->y + view->h - 1; ++y)
            if (At(view->x + 1 + x, y) == kLine) rows.push_back(y);
        return rows;
    }
    template <typename View>
    View* Place(View* view, int x, int y, int w, int h) {
        view->x = x;
        view->y = y;
        view->w = w;
        view->h = h;
        harness.app->items.push_back(view);
        return view;
    }

    AppHarness harness;
    std::vector<uint32_t> pixels;
    int stride = 0;
};

TEST_F(ViewTest, SampleViewFlatLineHalfHeightAndBounds) {
    std::vector<int8_t> square(256);
    for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 16) % 2 ? -127 : 127;
    auto* view = Place(new RenderView8Bit(), 10, 10, 202, 102);
    int middle = view->y + 1 + 50;

    view->data = square.data();
    view->dataSize = 256;
    view->length = 2;  // too short to draw: a flat line through the middle
    Snapshot();
    for (int x = 0; x < 200; x += 13) EXPECT_EQ(LineRows(view, x), std::vector<int>{middle}) << x;

    view->length = 256;
    auto extent = [&] {
        Snapshot();
        int top = 1000, bottom = -1;
        for (int x = 0; x < 200; ++x)
            for (int row : LineRows(view, x)) top = std::min(top, row), bottom = std::max(bottom, row);
        return bottom - top;
    };
    int full = extent();
    view->volume = 32;
    int half = extent();
    EXPECT_NEAR(half * 2, full, 3);
    EXPECT_GT(full, 90);

    // A length past the data shows only the data (ASan checks the reads);
    // views too narrow to have two columns draw nothing and divide by nothing.
    view->length = 100000;
    view->loopEnd = 255;
    view->subloopLength = 64;
    view->loopOffset = 10;
    Snapshot();
    auto* narrow = Place(new RenderView8Bit(), 300, 10, 3, 20);
    narrow->data = square.data();
    narrow->dataSize = 256;
    narrow->length = 256;
    Snapshot();
    EXPECT_EQ(At(301, 15), (Rgba{0, 0, 0, 255}));
}

TEST_F(ViewTest, ScopeWrapsBeforeTheRingHasFilled) {
    std::vector<int16_t> ring(48000, 0);
    std::fill(ring.begin() + 40000, ring.end(), int16_t(16000));
    int64_t written = 100;  // fewer samples than the window
    auto* scope = Place(new RenderView(), 20, 200, 213, 80);
    scope->ring = ring.data();
    scope->ringSize = int(ring.size());
    scope->writeCounter = &written;
    Snapshot();
    int middle = scope->y + 1 + 39;
    int below = middle + int(std::floor(16000.0 / 32768.0 * 77 + 0.5));
    // The window starts 4700 samples before the ring's start: at its end.
    EXPECT_EQ(LineRows(scope, 0).front(), below);
    EXPECT_EQ(LineRows(scope, 210).back(), middle);
}

TEST(DragableLable, DragsInWholeStepsAndHoldsAtTheEnds) {
    GuiItem parent;
    parent.w = 200;
    auto* label = parent.Add(new DragableLable());
    label->steps = 100;  // 2 pixels a step
    label->position = 0.5;
    MouseEvent mouse{100, 0, 1, 1};
    auto dragTo = [&](int x) {
        label->Update();
        mouse.x = x;
        label->OnMouseButton(&mouse);
    };
    dragTo(100);  // the press that starts the drag
    dragTo(101);
    EXPECT_EQ(label->StepPosition(), 50);
    dragTo(105);  // 5 pixels: 2 steps, 1 pixel carried
    EXPECT_EQ(label->StepPosition(), 52);
    dragTo(106);
    EXPECT_EQ(label->StepPosition(), 53);
    dragTo(1000);
    EXPECT_EQ(label->position, 1.0);
    dragTo(-1000);
    EXPECT_EQ(label->position, 0.0);
    label->Update();
    label->Update();  // a frame without a drag event ends the drag
    EXPECT_FALSE(label->dragging);
}

TEST(RenderView8BitDrag, MarkersFollowFieldsAndWriteOnlyAfterADrag) {
    int loopStart = 37, loopEnd = 200, steps = 256, writes = 0;
    ButtonNumber startField, endField;
    startField.getValue = [&] { return loopStart; };
    startField.setValue = [&](int v) { loopStart = v, ++writes; };
    endField.getValue = [&] { return loopEnd; };
    endField.setValue = [&](int v) { loopEnd = std::max(v, loopStart), ++writes; };
    RenderView8BitDrag overlay(&startField, &endField);
    overlay.w = 512;
    overlay.h = 104;
    overlay.getSteps = [&] { return steps; };
    for (int frame = 0; frame < 4; ++frame) UpdateTree(overlay.children), overlay.Update();
    DragableLable* start = overlay.markers[0].label;
    DragableLable* end = overlay.markers[1].label;
    ASSERT_TRUE(start && end);
    EXPECT_EQ(writes, 0);  // showing the view never writes a loop point
    EXPECT_EQ(start->StepPosition(), 37);
    EXPECT_EQ(end->StepPosition(), 200);

    steps = 512;  // a longer wave: the markers keep their samples
    overlay.Update();
    EXPECT_EQ(start->StepPosition(), 37);
    EXPECT_DOUBLE_EQ(end->position, 200.0 / 512.0);
    EXPECT_EQ(writes, 0);

    MouseEvent mouse{0, 0, 1, 1};
    start->Update();
    start->OnMouseButton(&mouse);
    mouse.x = 10;  // 10 steps of one pixel
    start->OnMouseButton(&mouse);
    overlay.Update();
    EXPECT_EQ(loopStart, 47);
    EXPECT_EQ(writes, 1);
    overlay.Update();
    EXPECT_EQ(writes, 1);
}

}  // namespace
}  // namespace qn::testing
