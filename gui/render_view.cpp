#include "gui/render_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gui/font.h"
#include "gui/number_field.h"

namespace qn {

// The view's sunken box at `rect`; returns the rectangle inside its
// 1-pixel border, cleared to black.
static SDL_Rect DrawViewBox(GuiItem& view, const SDL_Rect& rect) {
    if (!view.customColours) view.RefreshDefaultColours();
    view.DrawBox(rect, view.background, true);
    SDL_Rect inner = {rect.x + 1, rect.y + 1, std::max(0, rect.w - 2), std::max(0, rect.h - 2)};
    SDL_SetRenderDrawColor(gRenderer, 0, 0, 0, 255);
    SDL_RenderFillRect(gRenderer, &inner);
    return inner;
}

static void DrawPolyline(const std::vector<SDL_Point>& points) {
    SDL_SetRenderDrawColor(gRenderer, 127, 127, 127, 255);
    SDL_RenderDrawLines(gRenderer, points.data(), int(points.size()));
}

RenderView::RenderView() { hittable = false; }

void RenderView::Draw() {
    if (hidden || !gRenderer) return;
    SDL_Rect rect = AbsoluteRect();
    ClipScope clip(rect);
    SDL_Rect inner = DrawViewBox(*this, rect);
    int count = inner.w;
    if (count < 2 || inner.h < 1 || !ring || ringSize <= 0 || !writeCounter) return;
    if (int(points_.size()) != count) points_.assign(size_t(count), SDL_Point{0, 0});
    double advance = double(windowSamples) / double(count - 1);
    int middle = inner.y + inner.h / 2;
    {
        std::unique_lock<std::recursive_mutex> guard;
        if (lock) guard = std::unique_lock<std::recursive_mutex>(*lock);
        // Before the ring has filled once the window starts before sample 0:
        // a true modulo wraps it to the ring's end instead of reading before it.
        double position = double(*writeCounter - windowSamples);
        for (int i = 0; i < count; ++i) {
            int64_t index = int64_t(std::floor(position)) % ringSize;
            if (index < 0) index += ringSize;
            double sample = ring[index];
            points_[size_t(i)] = SDL_Point{inner.x + i, middle + int(std::floor(sample / 32768.0 * (inner.h - 1) + 0.5))};
            position += advance;
        }
    }
    DrawPolyline(points_);
}

RenderView8Bit::RenderView8Bit() { hittable = false; }

void RenderView8Bit::Draw() {
    if (hidden || !gRenderer) return;
    SDL_Rect rect = AbsoluteRect();
    ClipScope clip(rect);
    SDL_Rect inner = DrawViewBox(*this, rect);
    int count = inner.w;
    if (count < 2 || inner.h < 1) return;
    if (int(points_.size()) != count) points_.assign(size_t(count), SDL_Point{0, 0});
    int32_t first = std::clamp(start, 0, std::max(0, dataSize));
    int32_t shown = data ? std::min(length, dataSize - first) : 0;
    int middle = inner.y + inner.h / 2;
    if (shown < 3) {
        SDL_SetRenderDrawColor(gRenderer, 127, 127, 127, 255);
        SDL_RenderDrawLine(gRenderer, inner.x, middle, inner.x + inner.w - 1, middle);
        return;
    }
    double step = double(shown) / double(count - 1);
    double amplitude = double(volume * inner.h / 64 - 1);
    for (int i = 0; i < count; ++i) {
        int64_t index = int64_t(std::floor(i * step));
        double sample = index < shown ? data[first + index] : 0.0;
        points_[size_t(i)] = SDL_Point{inner.x + i, middle - 1 - int(std::floor(sample / 128.0 * amplitude * 0.5 + 0.5))};
    }
    DrawPolyline(points_);
    auto column = [&](int32_t sample) { return inner.x + int(sample / step); };
    if (loopStart != 0 || loopEnd != 0) {
        SDL_SetRenderDrawColor(gRenderer, 255, 255, 0, 255);
        for (int32_t mark : {loopStart, loopEnd})
            SDL_RenderDrawLine(gRenderer, column(mark), inner.y, column(mark), inner.y + inner.h - 1);
    }
    if (subloopLength != 0) {
        SDL_BlendMode mode;
        SDL_GetRenderDrawBlendMode(gRenderer, &mode);
        SDL_SetRenderDrawBlendMode(gRenderer, SDL_BLENDMODE_BLEND);
        SDL_SetRenderDrawColor(gRenderer, 255, 255, 0, 64);
        SDL_Rect window = {column(subloopPosition), inner.y, int(subloopLength / step), inner.h};
        SDL_RenderFillRect(gRenderer, &window);
        SDL_SetRenderDrawBlendMode(gRenderer, mode);
    }
    if (loopOffset >= 0) {
        SDL_SetRenderDrawColor(gRenderer, 128, 255, 128, 255);
        SDL_Rect mark = {column(loopOffset), inner.y, 1, inner.h};
        SDL_RenderFillRect(gRenderer, &mark);
    }
}

DragableLable::DragableLable() {
    h = 15;
    customColours = true;
    background = Rgba{64, 191, 64, 255};
    textColour = Rgba{255, 255, 255, 255};
}

int32_t DragableLable::StepPosition() const { return int32_t(std::lround(position * steps)); }

void DragableLable::SetStepPosition(int32_t step) {
    position = steps > 0 ? std::clamp(double(step) / double(steps), 0.0, 1.0) : 0.0;
}

bool DragableLable::Update() {
    if (lastDragFrame != frameCounter) dragging = false;
    ++frameCounter;
    if (textPointer != shownText_) {
        shownText_ = textPointer;
        SetText(textPointer);
        w = (font ? font->TextWidth(text) : 0) + 8;
        h = 15;
    }
    if (parent) x = int(parent->w * position) - (side == 1 ? w : 0);
    return GuiItem::Update();
}

void DragableLable::OnMouseButton(MouseEvent* event) {
    clicked = true;
    if (event->state != 1 || !parent || parent->w <= 0 || steps <= 0) return;
    lastDragFrame = frameCounter;
    if (!dragging) {
        dragging = true;
        lastMouseX = event->x;
        return;
    }
    double parentWidth = parent->w;
    double delta = event->x - lastMouseX;
    double stepWidth = parentWidth / steps;
    if (std::fabs(delta) < stepWidth) return;
    double wholeSteps = std::trunc(steps * delta / parentWidth);
    position = std::clamp(position + wholeSteps / steps, 0.0, 1.0);
    lastMouseX += wholeSteps * stepWidth;
    moved = true;
}

void DragableLable::Draw() {
    if (hidden || !gRenderer) return;
    SDL_Rect rect = AbsoluteRect();
    SDL_Rect box = {rect.x, rect.y - 3, rect.w, rect.h};
    SDL_SetRenderDrawColor(gRenderer, background.r, background.g, background.b, background.a);
    SDL_RenderFillRect(gRenderer, &box);
    if (font) font->DrawText(text, rect.x + (side == 1 ? 8 : 0), box.y, textColour);
}

RenderView8BitDrag::RenderView8BitDrag(ButtonNumber* loopStartField, ButtonNumber* loopEndField) {
    frame = false;
    hittable = false;
    markers[0].field = loopStartField;
    markers[1].field = loopEndField;
}

bool RenderView8BitDrag::Update() {
    if (markersPending) {
        markersPending = false;
        const char* texts[2] = {">", "<"};
        for (int side = 0; side < 2; ++side) {
            DragableLable* label = Add(new DragableLable());
            label->textPointer = texts[side];
            label->side = side;
            label->y = side == 0 ? 4 : h - 15 + 2;
            label->w = 10;
            label->h = 15;
            markers[side].label = label;
        }
        return GuiItem::Update();
    }
    int32_t steps = getSteps ? std::max(1, getSteps()) : 1;
    for (Marker& marker : markers) {
        DragableLable* label = marker.label;
        if (!label || !marker.field || !marker.field->getValue) continue;
        if (steps != marker.lastSteps) {
            // The marker stays on its sample: a longer wave moves it left.
            int32_t sample = marker.lastSteps > 0 ? label->StepPosition() : 0;
            label->steps = steps;
            label->SetStepPosition(sample);
            marker.lastSteps = steps;
        }
        int32_t value = marker.field->getValue();
        if (value != marker.lastRead) {
            label->SetStepPosition(value);
            marker.lastRead = value;
            label->moved = false;
        } else if (label->moved) {
            // Only a drag writes the field: showing the view never changes a loop point.
            label->moved = false;
            int32_t sample = label->StepPosition();
            if (sample != marker.lastSet && marker.field->setValue) {
                marker.field->setValue(sample);
                marker.lastSet = sample;
            }
            marker.lastRead = marker.field->getValue();
            label->SetStepPosition(marker.lastRead);
        }
    }
    return GuiItem::Update();
}

}  // namespace qn
