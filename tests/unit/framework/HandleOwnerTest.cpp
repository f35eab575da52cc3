// Handle owners release exactly once; guards restore what they replaced.
#include "resource.h"

#include "framework/GdiObjects.h"
#include "framework/Handles.h"

#include <gtest/gtest.h>

#include <utility>

TEST(GdiOwner, DeletesItsObjectWhenDestroyed) {
    HBITMAP handle = CreateBitmap(4, 4, 1, 32, nullptr);
    ASSERT_NE(nullptr, handle);
    {
        fw::Bitmap bitmap(handle);
        EXPECT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(handle)));
        SIZE size = bitmap.GetSize();
        EXPECT_EQ(4, size.cx);
        EXPECT_EQ(4, size.cy);
    }
    EXPECT_EQ(0u, GetObjectType(handle));
}

TEST(GdiOwner, DetachHandsOwnershipOn) {
    HBITMAP handle = CreateBitmap(2, 2, 1, 32, nullptr);
    HBITMAP detached;
    {
        fw::Bitmap bitmap(handle);
        detached = bitmap.Detach();
        EXPECT_EQ(nullptr, bitmap.GetSafeHandle());
    }
    EXPECT_EQ(handle, detached);
    EXPECT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(handle)));
    DeleteObject(handle);
}

TEST(GdiOwner, MoveKeepsOneOwnerAndAttachReplaces) {
    HBITMAP first = CreateBitmap(2, 2, 1, 32, nullptr);
    HBITMAP second = CreateBitmap(2, 2, 1, 32, nullptr);
    {
        fw::Bitmap a(first);
        fw::Bitmap b(std::move(a));
        EXPECT_EQ(nullptr, a.GetSafeHandle());
        EXPECT_EQ(first, b.GetSafeHandle());
        b.Attach(second);
        EXPECT_EQ(0u, GetObjectType(first)) << "the replaced object is deleted";
        b.Attach(second);  // attaching the held handle again must not delete it
        EXPECT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(second)));
    }
    EXPECT_EQ(0u, GetObjectType(second));
}

TEST(GdiOwner, FontAndEmptyOwners) {
    LOGFONTW logFont = {};
    logFont.lfHeight = -12;
    HFONT handle;
    {
        fw::Font font;
        EXPECT_FALSE(font.DeleteObject()) << "nothing to delete";
        ASSERT_TRUE(font.CreateFontIndirect(logFont));
        handle = font;
        EXPECT_EQ(OBJ_FONT, static_cast<int>(GetObjectType(handle)));
    }
    EXPECT_EQ(0u, GetObjectType(handle));
}

TEST(SelectGuard, RestoresThePreviousObject) {
    fw::MemoryDC dc(nullptr);
    ASSERT_NE(nullptr, static_cast<HDC>(dc));
    HGDIOBJ original = GetCurrentObject(dc, OBJ_BITMAP);
    fw::Bitmap bitmap(CreateBitmap(3, 3, 1, 1, nullptr));
    {
        fw::SelectGuard guard(dc, bitmap);
        EXPECT_EQ(static_cast<HGDIOBJ>(bitmap.GetSafeHandle()), GetCurrentObject(dc, OBJ_BITMAP));
        EXPECT_EQ(original, guard.Previous());
    }
    EXPECT_EQ(original, GetCurrentObject(dc, OBJ_BITMAP));
}

TEST(SelectGuard, NullObjectSelectsNothing) {
    fw::MemoryDC dc(nullptr);
    HGDIOBJ original = GetCurrentObject(dc, OBJ_BITMAP);
    {
        fw::SelectGuard guard(dc, nullptr);
        EXPECT_EQ(nullptr, guard.Previous());
    }
    EXPECT_EQ(original, GetCurrentObject(dc, OBJ_BITMAP));
}

TEST(MenuOwner, DestroysItsMenuOnceAndMovesOwnership) {
    HMENU handle;
    HMENU popup;
    {
        fw::Menu menu;
        EXPECT_FALSE(menu.LoadMenu(GetModuleHandleW(nullptr), 9999)) << "no such resource";
        ASSERT_TRUE(menu.LoadMenu(GetModuleHandleW(nullptr), IDM_TEST_MENU));
        handle = menu;
        popup = menu.GetSubMenu(0);
        ASSERT_NE(nullptr, popup);
        fw::Menu moved(std::move(menu));
        EXPECT_EQ(nullptr, menu.GetSafeHmenu());
        EXPECT_EQ(handle, moved.GetSafeHmenu());
        EXPECT_TRUE(IsMenu(handle));
    }
    EXPECT_FALSE(IsMenu(handle));
    EXPECT_FALSE(IsMenu(popup)) << "popups go with their menu";
}

TEST(KernelHandleOwner, ClosesOnceAndTreatsInvalidAsEmpty) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD flags = 0;
    {
        fw::KernelHandle owner(event);
        EXPECT_TRUE(owner.IsValid());
        EXPECT_TRUE(GetHandleInformation(event, &flags));
    }
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetHandleInformation(event, &flags));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());

    fw::KernelHandle invalid(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(invalid.IsValid());
    invalid.Close();  // must not try to close the pseudo handle
}

TEST(ModuleOwner, LoadsResolvesAndFrees) {
    fw::Module module;
    EXPECT_EQ(nullptr, module.GetProc("GetTickCount")) << "no module yet";
    ASSERT_TRUE(module.LoadW(L"kernel32.dll"));
    EXPECT_NE(nullptr, module.GetProc("GetTickCount"));
    EXPECT_EQ(nullptr, module.GetProc("NoSuchExport"));
    EXPECT_FALSE(module.LoadW(L"Z:\\no\\such\\library.dll"));
    EXPECT_EQ(nullptr, module.Get());
}
