#pragma once

// A small application over the minimal data folder with styles of plain rectangles and one
// screen holding a widget of each standard kind, driven through the widget manager.

#include "TestHelpers.h"
#include "UGAppData.h"
#include "UGNullWindow.h"
#include "UGWidgetManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace qm::test {

class TTestAppData : public TGAppData {
public:
    using TGAppData::TGAppData;
    void ApplyVideoMode() override {}
};

class StandardWidgets : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the screen "Test" of the fixture's configuration plus `extraXml` (more styles
    // and screens); call once per test, before anything else.
    void Start(const std::string& extraXml = "");
    TGWidget& Screen() const;
    template <class T> T& Find(const std::string& name) const;

    // Input as the window hands it to the manager.
    void MoveTo(int x, int y) { Manager->MouseMove(x, y); }
    void Press(int x, int y) {
        MoveTo(x, y);
        Manager->MouseDown(mbLeft);
    }
    void Release(int x, int y) {
        MoveTo(x, y);
        Manager->MouseUp(mbLeft);
    }
    void ClickAt(int x, int y) {
        Press(x, y);
        Release(x, y);
    }
    void Type(const std::u32string& text) {
        for (char32_t c : text) {
            Manager->KeyPress(c);
        }
    }
    void Key(int key) {
        Manager->KeyDown(key);
        Manager->KeyUp(key);
    }
    void Updates(int count) {
        for (int i = 0; i < count; ++i) {
            Manager->Update();
        }
    }

    fs::path StartFolder = fs::current_path();
    TempDir Dir;
    TGManualTickSource Ticks{1000};
    TGNullWindow Window;
    TGAppStartInfo Info;
    std::unique_ptr<TTestAppData> App;
    TGWidgetManager* Manager = nullptr;
};

template <class T> T& StandardWidgets::Find(const std::string& name) const {
    for (TGWidgetIterator it(Manager->Root()); it.Current(); it.Next()) {
        if (it.Current()->Name == name) {
            if (auto* typed = dynamic_cast<T*>(it.Current())) {
                return *typed;
            }
        }
    }
    throw std::runtime_error("no widget " + name);
}

} // namespace qm::test
