#include "controls/TreeItems.h"

int TreeItems::Append(qint64 handle, qint64 parent, const QString& key, const QString& text,
                      int image) {
    if (records.size() <= count)
        records.resize(count + 1);
    TreeRecord& record = records[count];
    record = TreeRecord();
    record.handle = handle;
    record.parent = parent;
    record.index = count;
    record.key = key;
    record.text = text;
    record.image = image;
    return count++;
}

int TreeItems::Remove(int slot) {
    if (!IsSlot(slot))
        return -1;
    const int last = count - 1;
    records[slot] = records[last];
    TreeRecord& vacated = records[last];
    vacated = TreeRecord();
    vacated.parent = -1;
    vacated.index = -1;
    count = last;
    return last;
}

int TreeItems::FindKey(const QString& key) const {
    for (int slot = 0; slot < count; ++slot) {
        if (records[slot].key == key)
            return slot;
    }
    return -1;
}

int TreeItems::FindHandle(qint64 handle) const {
    if (handle == 0)
        return -1;
    for (int slot = 0; slot < count; ++slot) {
        if (records[slot].handle == handle)
            return slot;
    }
    return -1;
}
