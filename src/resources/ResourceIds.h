// Numeric names used by the resource script Vistrel.rc. Plain #defines, so that both a real resource
// compiler and the simulated handheld's script reader understand them.
#pragma once

// ---- Window and control styles ----
#define STYLE_POPUP 0x80000000
#define STYLE_CHILD 0x40000000
#define STYLE_VISIBLE 0x10000000
#define STYLE_CAPTION 0x00C00000
#define STYLE_BORDER 0x00800000
#define STYLE_VSCROLL 0x00200000
#define STYLE_GROUP 0x00020000
#define STYLE_TABSTOP 0x00010000

#define BUTTON_PUSH 0x0000
#define BUTTON_AUTOCHECKBOX 0x0003
#define STATIC_LEFT 0x0000
#define STATIC_ICON 0x0003
#define EDIT_AUTOHSCROLL 0x0080
#define EDIT_DIGITS 0x2000
#define COMBO_DROPDOWNLIST 0x0003
#define COMBO_SORT 0x0100
#define TRACKBAR_AUTOTICKS 0x0001

// ---- Keys ----
#define VKEY_ESCAPE 0x1B
#define VKEY_F1 0x70

// ---- Icons and cursors ----
#define ICON_PROGRAM 101
#define ICON_TRAY 140
#define CURSOR_AIM 134
#define CURSOR_COLORPICKER 144
#define CURSOR_BRIGHTNESS 146
#define CURSOR_CORRECTION 147
#define CURSOR_CONTRAST 148
#define CURSOR_TAPE 149

// ---- Accelerators and their commands ----
#define ACCEL_MAIN 129
#define COMMAND_HIDE_ALL 32771
#define COMMAND_LOCATOR 32773
#define COMMAND_HELP 32775

// ---- Dialogs ----
#define DIALOG_SHEET 143
#define DIALOG_COMMON 150
#define DIALOG_SKIN 151
#define DIALOG_CORRECTING 152
#define DIALOG_UNITS 153
#define DIALOG_CONTROL 154
#define DIALOG_ABOUT 141

// ---- Controls ----
#define LABEL -1
#define CHECK_SMOOTH 1000
#define CHECK_GLARES 1001
#define CHECK_ANIMATION 1002
#define TRACK_ZOOM 1003
#define TRACK_SIZE 1004
#define CHECK_SOUND 1009
#define TAB_PAGES 1010
#define LIST_SKINS 1011
#define TRACK_BRIGHTNESS 1012
#define TRACK_CONTRAST 1013
#define EDIT_DPI_X 1014
#define EDIT_DPI_Y 1015
#define BUTTON_RESET 1018
#define PICTURE_ABOUT 1019
