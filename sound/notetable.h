#pragma once

#include <QtGlobal>

#include <array>
#include <string_view>

// A note of the melody file: its name and its frequency in hertz (1 = rest).
struct TNote
{
    std::string_view name;
    qint32 frequency;
};

// The notes in lookup order: five octaves from C_0 to B_3, then REST.
extern const std::array<TNote, 61> NoteTable;
