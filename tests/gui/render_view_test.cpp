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

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.started);
        harness.Frame(2);
        harness.app->CloseWindows();  // the views alone on the background
    }
    template <typename View>
    View* Place(View* view, int x, int y, int w, int h) {
        view->x = x, view->y = y, view->w = w, view->h = h;
        harness.app->items.push_back(view);
        return view;
    }
    // Draws the frame; the rows of the grey line in each inner column of `view`.
    std::vector<std::vector<int>> LineRows(const GuiItem* view) {
        harness.app->DrawFrame();
        int width = 0, height = 0;
        SDL_GetRendererOutputSize(harness.app->renderer, &width, &height);
        std::vector<uint32_t> pixels(size_t(width * height));
        SDL_RenderReadPixels(harness.app->renderer, nullptr, SDL_PIXELFORMAT_ABGR8888, pixels.data(), width * 4);
        std::vector<std::vector<int>> columns(size_t(view->w - 2));
        for (int x = 0; x < view->w - 2; ++x)
            for (int y = view->y + 1; y < view->y + view->h - 1; ++y)
                if (pixels[size_t(y * width + view->x + 1 + x)] == 0xFF7F7F7Fu) columns[size_t(x)].push_back(y);
        return columns;
    }

    AppHarness harness;
};

TEST_F(ViewTest, SampleViewFlatLineHalfHeightAndBounds) {
    std::vector<int8_t> square(256);
    for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 16) % 2 ? -127 : 127;
    auto* view = Place(new RenderView8Bit(), 10, 10, 202, 102);
    view->data = square.data();
    view->dataSize = 256;
    view->length = 2;  // too short to draw: a flat line through the middle
    for (const auto& rows : LineRows(view)) EXPECT_EQ(rows, std::vector<int>{view->y + 1 + 50});

    view->length = 256;
    auto extent = [&] {
        int top = 1000, bottom = -1;
        for (const auto& rows : LineRows(view))
            for (int row : rows) top = std::min(top, row), bottom = std::max(bottom, row);
        return bottom - top;
    };
    int full = extent();
    view->volume = 32;
    EXPECT_NEAR(extent() * 2, full, 3);
    EXPECT_GT(full, 90);

    // A start or length past the data shows only the data (ASan checks the
    // reads); a view too narrow for two columns draws no line and divides by nothing.
    view->start = 300;
    for (const auto& rows : LineRows(view)) EXPECT_EQ(rows, std::vector<int>{view->y + 1 + 50});
    view->start = 100;
    view->length = 100000;
    view->loopEnd = 255;
    view->subloopLength = 64;
    view->loopOffset = 10;
    LineRows(view);
    auto* narrow = Place(new RenderView8Bit(), 300, 10, 3, 20);
    narrow->data = square.data();
    narrow->dataSize = narrow->length = 256;
    EXPECT_TRUE(LineRows(narrow)[0].empty());
}

TEST_F(ViewTest, ScopeWrapsBeforeTheRingHasFilled) {
    std::vector<int16_t> ring(48000, 0);
    std::fill(ring.begin() + 40000, ring.end(), int16_t(16000));
    int64_t written = 100;  // fewer samples than the window
    auto* scope = Place(new RenderView(), 20, 200, 213, 80);
    scope->ring = ring.data();
    scope->ringSize = int(ring.size());
    scope->writeCounter = &written;
    auto columns = LineRows(scope);
    int middle = scope->y + 1 + 39;
    // The window starts 4700 samples before the ring's start: at its end.
    EXPECT_EQ(columns.front().front(), middle + int(std::floor(16000.0 / 32768.0 * 77 + 0.5)));
    EXPECT_EQ(columns.back().back(), middle);
}

TEST(RenderView8BitDrag, MarkersFollowFieldsAndWriteOnlyAfterADrag) {
    int loopStart = 37, loopEnd = 200, steps = 256, writes = 0;
    ButtonNumber startField, endField;
    startField.getValue = [&] { return loopStart; };
    startField.setValue = [&](int v) { loopStart = v, ++writes; };
    endField.getValue = [&] { return loopEnd; };
    endField.setValue = [&](int v) { loopEnd = v, ++writes; };
    RenderView8BitDrag overlay(&startField, &endField);
    overlay.w = 1024;
    overlay.h = 104;
    overlay.getSteps = [&] { return steps; };
    auto frame = [&] { UpdateTree(overlay.children), overlay.Update(); };
    for (int i = 0; i < 4; ++i) frame();
    DragableLable* start = overlay.markers[0].label;
    DragableLable* end = overlay.markers[1].label;
    ASSERT_TRUE(start && end);
    EXPECT_EQ(writes, 0);  // showing the view never writes a loop point
    EXPECT_EQ(start->StepPosition(), 37);

    steps = 512;  // a longer wave: the markers keep their samples, 2 pixels a step
    frame();
    EXPECT_EQ(start->StepPosition(), 37);
    EXPECT_DOUBLE_EQ(end->position, 200.0 / 512.0);
    EXPECT_EQ(writes, 0);

    struct Drag {
        int x, sample;
    };
    // Less than a step moves nothing, the remainder carries, the ends hold.
    const Drag drags[] = {{0, 37}, {1, 37}, {5, 39}, {6, 40}, {5000, 512}, {-5000, 0}};
    MouseEvent mouse{0, 0, 1, 1};
    for (const Drag& drag : drags) {
        mouse.x = drag.x;
        start->OnMouseButton(&mouse);
        frame();
        EXPECT_EQ(loopStart, drag.sample) << drag.x;
    }
    EXPECT_EQ(writes, 4);
    frame();
    frame();  // frames without drag events end the drag
    EXPECT_FALSE(start->dragging);
}

}  // namespace
}  // namespace qn::testing
