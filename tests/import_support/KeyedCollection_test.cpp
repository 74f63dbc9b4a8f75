#include "import_support/KeyedCollection.h"

#include <gtest/gtest.h>

namespace {

int ErrorNumberOf(auto&& action) {
    try {
        action();
    } catch (const vb::RuntimeError& error) {
        return error.Number();
    }
    return 0;
}

TEST(KeyedCollection, ItemsKeepOrderAndAreReachedByPositionOrKeyInAnyCase) {
    KeyedCollection<QString> c;
    c.Add(QStringLiteral("first"), QStringLiteral("K1"));
    c.Add(QStringLiteral("unkeyed"));
    c.Add(QStringLiteral("third"), QStringLiteral("Key\u00c9"));
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Item(1), QStringLiteral("first"));
    EXPECT_EQ(c.Item(2), QStringLiteral("unkeyed"));
    EXPECT_EQ(c.Item(QStringLiteral("k1")), QStringLiteral("first"));
    EXPECT_EQ(c.Item(QStringLiteral("KEY\u00e9")), QStringLiteral("third"));
    EXPECT_EQ(c.KeyAt(3), QStringLiteral("Key\u00c9"));
    EXPECT_FALSE(c.KeyAt(2).has_value());
    QStringList walked;
    for (const QString& item : c)
        walked.append(item);
    EXPECT_EQ(walked, QStringList({"first", "unkeyed", "third"}));
}

TEST(KeyedCollection, DuplicateKeyAndBadLookupsRaiseTheRunTimeErrors) {
    KeyedCollection<int> c;
    c.Add(1, QStringLiteral("Inbox"));
    EXPECT_EQ(ErrorNumberOf([&] { c.Add(2, QStringLiteral("INBOX")); }), 457);
    EXPECT_EQ(c.Count(), 1);
    EXPECT_EQ(ErrorNumberOf([&] { c.Item(0); }), 9);
    EXPECT_EQ(ErrorNumberOf([&] { c.Item(2); }), 9);
    EXPECT_EQ(ErrorNumberOf([&] { c.Item(QStringLiteral("Outbox")); }), 5);
    EXPECT_EQ(c.Find(QStringLiteral("Outbox")), nullptr);
    try {
        c.Add(3, QStringLiteral("inbox"));
    } catch (const vb::RuntimeError& error) {
        EXPECT_EQ(error.Description(),
                  "This key is already associated with an element of this collection");
    }
}

}  // namespace
