#pragma once

#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include "app/win32/Win32MainView.h"
#include "app/window/WindowLayout.h"
#include "support/PumpUntil.h"
#include "support/RecordingEvents.h"

namespace moxel::test {

// The Win32 window on the test session's display, its events recorded.
class Win32ViewTest : public ::testing::Test {
  protected:
    Win32ViewTest() {
        events.refuseClose = true;
        view.setEvents(&events);
        view.show();
        // A dropped-down list closes when its window is not the active one.
        pumpUntil([this] {
            SetForegroundWindow(view.window());
            return GetForegroundWindow() == view.window();
        });
        view.processEvents();
        events.calls.clear();
    }
    ~Win32ViewTest() override { view.setEvents(nullptr); }

    // A control's place in the window's client area.
    RECT placeOf(HWND control) const {
        RECT box;
        GetWindowRect(control, &box);
        MapWindowPoints(nullptr, view.window(), reinterpret_cast<POINT*>(&box), 2);
        return box;
    }
    SIZE clientSize() const {
        RECT client;
        GetClientRect(view.window(), &client);
        return {client.right, client.bottom};
    }
    // Each control at the table's place (frame children offset by the
    // frame), its edges in pixels at the window's DPI; a label at least as
    // wide as the table says.
    void expectLaidOut() const {
        const int dpi = static_cast<int>(view.dpi());
        const auto px = [dpi](int twips) { return twipsToPixelsAt(twips, dpi); };
        const ControlEntry& frame = *findControl("FrameTempo");
        for (const ControlEntry& entry : windowControls()) {
            SCOPED_TRACE(std::string(entry.name));
            const int left =
                entry.left + (entry.container == Container::FrameTempo ? frame.left : 0);
            const int top = entry.top + (entry.container == Container::FrameTempo ? frame.top : 0);
            const RECT box = placeOf(view.control(entry.name));
            EXPECT_EQ(box.left, px(left));
            EXPECT_EQ(box.top, px(top));
            EXPECT_EQ(box.bottom, px(top + entry.height));
            if (entry.kind == ControlKind::Label) {
                EXPECT_GE(box.right, px(left + entry.width));
            } else {
                EXPECT_EQ(box.right, px(left + entry.width));
            }
        }
    }
    // Dispatches what is queued now (posted notifications), without waiting.
    static void settle() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    RecordingEvents events;
    Win32MainView view;
};

} // namespace moxel::test
