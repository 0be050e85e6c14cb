#include "editors/instrument_steps.h"

#include <algorithm>

namespace qn {

void WriteStepNote(InstrumentStep& step, int note) {
    note = std::clamp(note, 0, kHighestStepNote);
    step.b0 = uint8_t((step.b0 & ~kStepNoteMask) | note);
}

void WriteStepDigit(InstrumentStep& step, int column, int digit) {
    digit &= 0x0f;
    switch (column) {
        case 1: step.b1 = uint8_t((step.b1 & 0xf0) | digit); break;
        case 2: step.b2 = uint8_t((step.b2 & 0x0f) | (digit << 4)); break;
        case 3: step.b2 = uint8_t((step.b2 & 0xf0) | digit); break;
        default: break;
    }
}

// Moves jump targets within the table by `delta` for the jumps from step
// `from` on whose target passes `test`. Parameters above 31 name no step
// (a jump that never fires) and keep their value, so BFF never wraps to B00.
template <typename Test>
static void Retarget(InstrumentStep* steps, int from, int delta, Test test) {
    for (int i = std::max(from, 0); i < kInstrumentSteps; ++i) {
        InstrumentStep& step = steps[i];
        if (step.Command() != kStepJumpCommand || step.b2 >= kInstrumentSteps) continue;
        if (test(int(step.b2))) step.b2 = uint8_t(step.b2 + delta);
    }
}

void InsertStep(InstrumentStep* steps, int at) {
    if (at < 0 || at >= kInstrumentSteps) return;
    std::move_backward(steps + at, steps + kInstrumentSteps - 1, steps + kInstrumentSteps);
    steps[at] = InstrumentStep{};
    Retarget(steps, at, 1, [at](int target) { return target >= at; });
}

void InsertLinkedStep(InstrumentStep* steps, int cursor) {
    if (cursor < 0 || cursor >= kInstrumentSteps - 1) return;
    const bool chained = steps[cursor].Linked();
    InsertStep(steps, cursor + 1);
    steps[cursor].b0 |= kStepLink;
    if (chained) steps[cursor + 1].b0 |= kStepLink;
}

int RemoveStepAbove(InstrumentStep* steps, int cursor) {
    if (cursor <= 0 || cursor >= kInstrumentSteps) return std::clamp(cursor, 0, kInstrumentSteps - 1);
    const int removed = cursor - 1;
    const bool linked = steps[removed].Linked();
    std::move(steps + removed + 1, steps + kInstrumentSteps, steps + removed);
    if (!linked && removed > 0) steps[removed - 1].b0 &= uint8_t(~kStepLink);
    Retarget(steps, removed, -1, [removed](int target) { return target > removed; });
    return removed;
}

}  // namespace qn
