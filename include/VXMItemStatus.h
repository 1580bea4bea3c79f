// Conversion state of an item of the program's conversion list.
#pragma once

enum VXM_ITEM_STATUS : int {
    ITEM_STATUS_NONE = 0,
    ITEM_STATUS_QUEUED = 1,
    ITEM_STATUS_CONVERTING = 2,
    ITEM_STATUS_FAILED = 3,
    ITEM_STATUS_DONE = 4,
};
