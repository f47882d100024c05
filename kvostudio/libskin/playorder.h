#pragma once
// Which song plays after or before the current one: by the repeat code
// (0 all, 1 one, 2 off) and the shuffle flag, sequentially through the rows
// or through a shuffle order, a permutation of the row indexes.
//
// The steps work on the list as plain numbers: the id of each row's record
// (kNoRecord for a row without one), the shuffle order (empty while there
// is none), and the current id and order position, which they move. A step
// answers 1 when the current item is to be played now, 0 when nothing is
// to be played.

#include <span>

inline constexpr int kNoRecord = -1;

inline constexpr int kRepeatAll = 0;
inline constexpr int kRepeatOne = 1;
inline constexpr int kRepeatOff = 2;

struct PlayPosition {
    int currentId = 0;
    int orderPos = 0;
};

// The row whose record has the current id, or -1.
int FindCurrentRow(std::span<const int> rowIds, int currentId);

// The position in 'order' that holds the current row; 0 when there is no
// current row or the order does not hold it.
int OrderIndexOfCurrent(std::span<const int> rowIds, std::span<const int> order, int currentId);

int PlayOrderNext(std::span<const int> rowIds, std::span<const int> order, int repeat, bool shuffle,
                  PlayPosition& pos);
int PlayOrderPrevious(std::span<const int> rowIds, std::span<const int> order, int repeat, bool shuffle,
                      PlayPosition& pos);
