# What names the program to the desktop, in one place: the desktop entry, the icon and the
# metainfo are called after the reverse-DNS id; the executable's name is also the application
# name, so the window's class (WM_CLASS) is the desktop entry's StartupWMClass.
set(TAOYEFANG_APP_ID com.norvane.taoyefang)
set(TAOYEFANG_APP_NAME taoyefang)
set(TAOYEFANG_DISPLAY_NAME 淘页坊)
set(TAOYEFANG_MAINTAINER "Norvane <taoyefang@norvane.com>")
set(TAOYEFANG_HOMEPAGE https://www.norvane.com/taoyefang/)

# The icon is the help site's logo, drawn at these sizes into TAOYEFANG_ICON_DIR/<size>.png for
# the window (src/app) and the icon theme (dist/unix).
set(TAOYEFANG_ICON_SVG ${PROJECT_SOURCE_DIR}/data/help/logo.svg)
set(TAOYEFANG_ICON_SIZES 16 22 24 32 48 64 128 256)
set(TAOYEFANG_ICON_DIR ${PROJECT_BINARY_DIR}/icons)
