#pragma once
#include <QList>
#include <QString>
#include <QVariant>

// One row of the tree's item table. `handle` names the native item (0 none),
// `parent` the native parent (0 for a top-level item).
struct TreeRecord {
    qint64 handle = 0;
    qint64 parent = 0;
    int index = -1;
    QString key;
    QString text;
    int image = 0;
    QVariant tag;
};

// The tree's item table: records in order of insertion, addressed by slot.
// Slots past Count() keep their storage, so a table emptied by Clear() is
// filled again from its first slot.
class TreeItems {
public:
    int Count() const { return count; }
    bool IsSlot(int slot) const { return slot >= 0 && slot < count; }
    TreeRecord& At(int slot) { return records[slot]; }
    const TreeRecord& At(int slot) const { return records[slot]; }

    // Appends a record whose index is its slot; returns the slot.
    int Append(qint64 handle, qint64 parent, const QString& key, const QString& text, int image);
    // Removes the record at `slot`: the last record moves into it with all
    // its fields, its index keeping its former value, and the last slot is
    // cleared. Returns the slot the last record came from, or -1.
    int Remove(int slot);
    // Forgets every record; the storage stays for reuse.
    void Clear() { count = 0; }

    // First slot holding the key, or -1.
    int FindKey(const QString& key) const;
    // First slot holding the native handle, or -1.
    int FindHandle(qint64 handle) const;

private:
    QList<TreeRecord> records;
    int count = 0;
};
