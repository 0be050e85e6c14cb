// The tree walks: hit testing, focus, key offering and the per-frame update
// with its removal of dead widgets.
#include <string>
#include <vector>

#include "tests/gui/canvas.h"

namespace qn::testing {
namespace {

// A widget that records what happens to it.
class Probe : public GuiItem {
public:
    Probe(const char* probeName, int px, int py, int pw, int ph, std::vector<std::string>* journal = nullptr)
        : name(probeName), log(journal) {
        x = px;
        y = py;
        w = pw;
        h = ph;
    }
    void OnMouseButton(MouseEvent* event) override {
        GuiItem::OnMouseButton(event);
        presses.push_back(event->state);
    }
    bool OnKey(const SDL_Keysym& key) override {
        if (log) log->push_back(name + ":key");
        return consumeKey != 0 && key.sym == consumeKey;
    }
    bool Update() override {
        if (log) log->push_back(name + ":update");
        return GuiItem::Update();
    }
    std::string name;
    std::vector<std::string>* log;
    std::vector<int> presses;
    SDL_Keycode consumeKey = 0;
};

MouseEvent At(int x, int y, int state = 1) {
    MouseEvent mouse;
    mouse.x = x;
    mouse.y = y;
    mouse.state = state;
    return mouse;
}

using GuiTree = Canvas;

TEST_F(GuiTree, HitTesting) {
    Probe* outer = new Probe("outer", 10, 10, 100, 100);
    Probe* inner = outer->Add(new Probe("inner", 10, 10, 20, 20));  // absolute 20..39
    Probe* under = new Probe("under", 200, 0, 50, 50);
    Probe* over = new Probe("over", 225, 25, 50, 50);  // drawn on top, but the earlier sibling is hit
    Probe* hidden = new Probe("hidden", 300, 0, 50, 50);
    hidden->hidden = true;  // still hit
    Probe* parent = new Probe("parent", 400, 100, 100, 100);
    parent->hittable = false;  // not hit, its children are
    Probe* child = parent->Add(new Probe("child", 0, 0, 10, 10));
    roots = {outer, under, over, hidden, parent};
    const std::pair<SDL_Point, GuiItem*> hits[] = {
        {{25, 25}, inner}, {{40, 40}, outer}, {{9, 50}, nullptr},  {{230, 30}, under}, {{260, 60}, over},
        {{310, 10}, hidden}, {{405, 105}, child}, {{450, 150}, nullptr}};
    for (auto [at, item] : hits) EXPECT_EQ(HitTest(roots, At(at.x, at.y)), item) << at.x << "," << at.y;
}

TEST_F(GuiTree, PressMovesFocusAndDeliversTheClick) {
    Probe* a = new Probe("a", 0, 0, 10, 10);
    Probe* b = new Probe("b", 20, 0, 10, 10);
    roots = {a, b};
    MouseEvent press = At(1, 1);
    uint32_t captured = 0;
    PressWidget(roots, a, &press, &captured);
    EXPECT_TRUE(a->focused);
    EXPECT_EQ(captured, a->id);
    EXPECT_EQ(a->presses, std::vector<int>{1});
    EXPECT_EQ(FindFocused(roots), a);

    MouseEvent idle = At(0, 0, 0);
    PressWidget(roots, b, &idle, &captured);  // a focus move without a click
    EXPECT_FALSE(a->focused);
    EXPECT_TRUE(b->focused);
    EXPECT_TRUE(b->presses.empty());
    EXPECT_EQ(captured, b->id);
}

TEST_F(GuiTree, KeysGoToChildrenFirstAndStopWhenConsumed) {
    std::vector<std::string> log;
    Probe* parent = new Probe("parent", 0, 0, 10, 10, &log);
    Probe* child = parent->Add(new Probe("child", 0, 0, 10, 10, &log));
    Probe* next = new Probe("next", 0, 0, 10, 10, &log);
    roots = {parent, next};
    SDL_Keysym key{};
    key.sym = SDLK_a;
    EXPECT_FALSE(OfferKey(roots, key));
    EXPECT_EQ(log, (std::vector<std::string>{"child:key", "parent:key", "next:key"}));
    log.clear();
    child->consumeKey = SDLK_a;
    EXPECT_TRUE(OfferKey(roots, key));
    EXPECT_EQ(log, std::vector<std::string>{"child:key"});
}

TEST_F(GuiTree, WhileATextFieldHasFocusOnlyFocusedWidgetsTakeKeys) {
    std::vector<std::string> log;
    Probe* panel = new Probe("panel", 0, 0, 100, 100, &log);
    Probe* field = panel->Add(new Probe("field", 0, 0, 10, 10, &log));
    Probe* menu = new Probe("menu", 0, 0, 10, 10, &log);
    menu->consumeKey = SDLK_s;  // would take Ctrl+S as a shortcut
    field->isTextField = true;
    field->focused = true;
    roots = {panel, menu};
    SDL_Keysym key{};
    key.sym = SDLK_s;
    EXPECT_FALSE(OfferKey(roots, key));
    // The unfocused panel still passes the key to its children.
    EXPECT_EQ(log, std::vector<std::string>{"field:key"});
    field->focused = false;
    log.clear();
    EXPECT_TRUE(OfferKey(roots, key));
    EXPECT_EQ(log.back(), "menu:key");
}

TEST_F(GuiTree, UpdateRunsChildrenFirstAndDeletesDeadWidgets) {
    std::vector<std::string> log;
    Probe* parent = new Probe("parent", 0, 0, 10, 10, &log);
    Probe* doomed = parent->Add(new Probe("doomed", 0, 0, 10, 10, &log));
    Probe* kept = parent->Add(new Probe("kept", 0, 0, 10, 10, &log));
    roots.push_back(parent);
    doomed->dead = true;
    const uint32_t doomedId = doomed->id;
    UpdateTree(roots);
    EXPECT_EQ(log, (std::vector<std::string>{"doomed:update", "kept:update", "parent:update"}));
    ASSERT_EQ(parent->children.size(), 1u);
    EXPECT_EQ(parent->children[0], kept);
    MouseEvent press = At(0, 0);  // a click is latched for one update
    kept->OnMouseButton(&press);
    EXPECT_TRUE(kept->GuiItem::Update());
    EXPECT_TRUE(kept->clickedLatch);
    EXPECT_FALSE(kept->GuiItem::Update());
    EXPECT_FALSE(kept->clickedLatch);
    EXPECT_EQ(kept->id, doomedId + 1);  // ids are unique and increasing
}

}  // namespace
}  // namespace qn::testing
