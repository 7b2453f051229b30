#pragma once

#include <QString>
#include <optional>

// How figures read on the results pane's chips.
namespace vantorel::chip {

// "—" when absent; "12 ms"; from 10000 on grouped, "12,345 ms".
QString milliseconds(std::optional<double> ms);
// "0.5%" below one percent, "12%" from one on; "—" when absent.
QString loss(std::optional<double> percent);
// "4.3" or "—".
QString mos(std::optional<double> score);
// HTTP statuses below 400 read as good (green), the rest as failures (red).
bool httpStatusIsGood(int status);

} // namespace vantorel::chip
