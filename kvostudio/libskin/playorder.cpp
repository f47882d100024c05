#include "kvostudio/libskin/playorder.h"

namespace {

int RowCount(std::span<const int> rowIds)
{
    return static_cast<int>(rowIds.size());
}

// The row the shuffle order names at the position; -1 when it names none.
int OrderedRow(std::span<const int> rowIds, std::span<const int> order, int position)
{
    if (position < 0 || position >= static_cast<int>(order.size()))
        return -1;
    const int row = order[position];
    return row >= 0 && row < RowCount(rowIds) ? row : -1;
}

// Makes the row current when it has a record.
bool MakeCurrent(std::span<const int> rowIds, int row, PlayPosition& pos)
{
    if (row < 0 || row >= RowCount(rowIds) || rowIds[row] == kNoRecord)
        return false;
    pos.currentId = rowIds[row];
    return true;
}

}  // namespace

int FindCurrentRow(std::span<const int> rowIds, int currentId)
{
    for (int i = 0; i < RowCount(rowIds); ++i)
        if (rowIds[i] != kNoRecord && rowIds[i] == currentId)
            return i;
    return -1;
}

int OrderIndexOfCurrent(std::span<const int> rowIds, std::span<const int> order, int currentId)
{
    const int row = FindCurrentRow(rowIds, currentId);
    if (row < 0)
        return 0;
    for (int j = 0; j < static_cast<int>(order.size()); ++j)
        if (order[j] == row)
            return j;
    return 0;
}

namespace {

// One step through the list, forwards or back. The two directions differ
// where they run off an end: a shuffle order starts anew from the other
// end, and a sequential step wraps only under "repeat all".
int PlayOrderStep(std::span<const int> rowIds, std::span<const int> order, int repeat, bool shuffle,
                  PlayPosition& pos, bool forward)
{
    const int n = RowCount(rowIds);
    // Nothing can play from an empty list, whatever the code says.
    if (n == 0 || repeat == kRepeatOff)
        return 0;
    if (repeat == kRepeatOne)
        return 1;
    if (shuffle && !order.empty()) {
        const int size = static_cast<int>(order.size());
        // A position out of range (rows were removed) starts the order anew.
        if (forward) {
            if (pos.orderPos >= size - 1 || pos.orderPos < -1)
                pos.orderPos = -1;
            ++pos.orderPos;
        } else {
            if (pos.orderPos <= 0 || pos.orderPos > size)
                pos.orderPos = size;
            --pos.orderPos;
        }
        return MakeCurrent(rowIds, OrderedRow(rowIds, order, pos.orderPos), pos) ? 1 : 0;
    }
    const int i = FindCurrentRow(rowIds, pos.currentId);
    if (i < 0)
        return 0;
    const int to = forward ? i + 1 : i - 1;
    if (to >= 0 && to < n) {
        if (!MakeCurrent(rowIds, to, pos))
            return 0;
        // Only a step forward moves the order position along.
        if (forward)
            pos.orderPos = to;
        return 1;
    }
    if (repeat != kRepeatAll)
        return 0;
    MakeCurrent(rowIds, forward ? 0 : n - 1, pos);
    pos.orderPos = 0;
    return 1;
}

}  // namespace

int PlayOrderNext(std::span<const int> rowIds, std::span<const int> order, int repeat, bool shuffle,
                  PlayPosition& pos)
{
    return PlayOrderStep(rowIds, order, repeat, shuffle, pos, true);
}

int PlayOrderPrevious(std::span<const int> rowIds, std::span<const int> order, int repeat, bool shuffle,
                      PlayPosition& pos)
{
    return PlayOrderStep(rowIds, order, repeat, shuffle, pos, false);
}
