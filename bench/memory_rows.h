#pragma once
// The memory rows: the window's Refreshes on full tables, and one kind's history of
// queries held to its bound.

#include "measure.h"

namespace morvain
{
class FrmMain;
class ObjectModel;
} // namespace morvain

namespace morvain::bench
{

class PaintWatch;

// Resident growth over the last Refreshes of the five tabs in turn, each tab in front and
// painted, once every tab's history is as long as it gets.
Row refreshMemoryRow(FrmMain &window, PaintWatch &watch);

// What a history of 10,000 queries of `model` keeps (bytesUsed, then the process's
// resident growth) against its bound: 720 queries of every object's number fields, keys
// beside.
std::vector<Row> historyMemoryRows(const ObjectModel &model);

} // namespace morvain::bench
