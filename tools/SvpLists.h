// The four sound velocity lists and their files.
//
// Each list is kept as a text file, one list line per file line, each line
// ending in CR LF: beside the executable under its own name, and in the day's
// SVP folder under today's date ("YYYY-MM-DD"), a blank and the same name.
// Files are read whole through the shared text codec (UTF-8, else
// Windows-1254), a UTF-8 byte order mark dropped, lines split at CR LF, LF
// and a lone CR. Every write of a list, by the sound velocity window and by
// the main window's save, goes through WriteListFile.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/TextFiles.h"

using TSvpList = std::vector<std::string>;

// The lists in file order: source, extracted, averaged, SV column.
struct TSvpLists {
    TSvpList rawData;
    TSvpList extracted;
    TSvpList averaged;
    TSvpList column;

    std::array<TSvpList*, 4> All() { return {&rawData, &extracted, &averaged, &column}; }
    std::array<const TSvpList*, 4> All() const {
        return {&rawData, &extracted, &averaged, &column};
    }
};

// "mRawSVData.ini", "mRawSVExtracted.ini", "mSortedAveragedSV.ini",
// "mSVPColumn.ini".
extern const std::array<const char*, 4> kSvpListFileNames;

// Where the lists live: both folders end with '/'.
struct TSvpListPlaces {
    std::string besideExecutable;
    std::string dayFolder;
};

// platform::BesideExecutableDir() and g_SvpDir.
TSvpListPlaces DefaultSvpListPlaces();

// Text split into lines at CR LF, LF and lone CR; a UTF-8 byte order mark at
// the start is dropped; a last line end adds no empty line.
TSvpList SplitListText(std::string_view text);

// A cast of tens of thousands of samples is a few megabytes of text.
inline constexpr std::size_t kSvpMaxFileBytes = std::size_t{32} << 20;

// The file's lines, read through platform::ReadRegularFile (a FIFO or a file
// over kSvpMaxFileBytes is refused at once); `lines` is left alone unless
// the result is ok.
platform::FileReadResult ReadListFile(const std::string& path, TSvpList& lines);

// Writes every line followed by CR LF, replacing the file whole (through a
// temporary file and a rename). False when it cannot be written.
bool WriteListFile(const std::string& path, const TSvpList& lines);

// The path of list `index` (0 .. 3) in the day folder, dated `date`.
std::string SvpDayCopyPath(const TSvpListPlaces& places, const std::string& date, int index);

// For each list: the file beside the executable when it exists, then
// today's day copy, which wins, when it exists. Lists without a file stay
// as they are.
void LoadSvpLists(const TSvpListPlaces& places, TSvpLists& lists);

// Writes the four day copies under today's date, in file order; throws
// std::runtime_error "Cannot create file ..." at the first that fails,
// leaving the rest unwritten.
void WriteSvpDayCopies(const TSvpListPlaces& places, const TSvpLists& lists);

// Writes the four files beside the executable; failures are ignored.
void WriteSvpBesideExecutable(const TSvpListPlaces& places, const TSvpLists& lists);
