// The data-set files ("dset-…"): the main unit's programming as a family of small XML-like text
// files, one element per command with one value line per command record. They are built from
// the data image: the command table shows every addressed entry of every command of a group into
// the line table, and the lines are formatted into the group's files.
#pragma once

#include "image/data_image.h"
#include "phonebook/line_table.h"
#include "phonebook/workspace.h"
#include "platform/progress.h"

#include <cstddef>
#include <optional>
#include <string>

namespace rk::phonebook {

// Data-set command line columns: "*" and the command digits from column 0, the command's
// console text from column 16, ended by a zero byte.
constexpr std::size_t kDataSetTextColumn = 16;

// Groups 0..9. 0, 1 and 5..8 hold the commands 0xx, 1xx, 5xx..8xx, 9 the four-digit commands.
// The 3xx/4xx programming is too large for one line table and comes in three parts: group 2
// holds 300..312, group 3 holds 313 and group 4 holds 314..499; run in that order they write the
// whole family from dset-300.txt to dset-366-4.txt.
constexpr int kDataSetGroupCount = 10;

// Lays out the command lines of a group from the start of the table (the rest stays blank).
// Returns the number of lines; nullopt when the group is not 0..9 or has more lines than the
// table holds (nothing is then laid out).
std::optional<std::size_t> fillDataSetLines(image::DataImage& image, int group, LineTable& table);

// Formats the command lines of a group, already in the table, into the group's files in a
// directory. 1 when files were written, 0 when the first line is blank or a file could not be
// written (files finished before stay in place).
[[nodiscard]] int writeDataSetFilesFromTable(int group, const std::string& directory, const LineTable& table,
                                             bool valueFormat);

// The whole generation from the workspace's image and line table. With a progress registry a
// step is posted to the "ファイル作成中" window before and after the command lines are laid out.
// `valueFormat` is set for main units that take the newer value form of command 9419.
[[nodiscard]] int writeDataSetFiles(Workspace& workspace, platform::ProgressRegistry* progress, int group,
                                    const std::string& directory, bool valueFormat);

// The value text of one command line in the main unit's form: the fields after the command
// number separated by "@" and ended by ","; nullopt when the line yields no value.
std::optional<std::string> dataSetValueText(const LineTable::Line& line, bool valueFormat);

} // namespace rk::phonebook
