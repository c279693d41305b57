#include "toml/value.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "toml/reader.h"

namespace {

Value parsed(const std::string& text) {
  std::istringstream in(text);
  ParseOutcome outcome = parse_toml(in);
  EXPECT_TRUE(outcome.valid()) << outcome.error;
  return std::move(outcome.root);
}

std::string raised(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(nothing raised)";
}

}  // namespace

TEST(TomlValue, KindsCountsAndNames) {
  EXPECT_EQ(Value().kind(), V_NULL);
  EXPECT_EQ(Value().count(), 0u);
  EXPECT_EQ(Value(std::string("s")).count(), 1u);
  EXPECT_EQ(Value(ValueArray()).count(), 0u);
  EXPECT_STREQ(kind_name(V_TIME), "time");
  EXPECT_STREQ(kind_name(8), "unknown");
  EXPECT_STREQ(kind_name(-1), "unknown");
}

TEST(TomlValue, Lookup) {
  Value root = parsed("[a]\nb = 1\n\"x.y\" = 2\n[x]\ny = 3\n");
  struct {
    const char* path;
    const char* found;  // kind name, or null for none
  } cases[] = {
      {"a.b", "int"}, {"a", "table"}, {"a.b.c", nullptr}, {"", nullptr},
      {"a b", nullptr}, {" a . b ", "int"}, {"'a'.\"b\"", "int"}, {"a.", nullptr},
      {"a..b", nullptr}, {"zz", nullptr},
  };
  for (const auto& c : cases) {
    const Value* v = root.lookup(c.path);
    EXPECT_STREQ(v == nullptr ? nullptr : kind_name(v->kind()), c.found) << c.path;
  }
  EXPECT_EQ(root.lookup("a.\"x.y\"")->get_int(), 2);
  EXPECT_EQ(root.lookup("a.b")->get_int(), 1);
  EXPECT_EQ(root.lookup("x.y")->get_int(), 3);
  EXPECT_EQ(root.lookup("a")->lookup("\"x.y\"")->get_int(), 2);
  EXPECT_EQ(Value(std::int64_t{1}).lookup("a"), nullptr);
}

TEST(TomlValue, AccessorsAndTypeErrors) {
  EXPECT_EQ(Value(std::int64_t{4294967297LL}).get_int(), 1);
  EXPECT_EQ(Value(std::int64_t{2147483648LL}).get_int(), -2147483648);
  EXPECT_EQ(raised([] { Value(std::int64_t{1}).get_bool(); }),
            "type error: this value is int but bool was requested");
  EXPECT_EQ(raised([] { Value(std::string("x")).get_int(); }),
            "type error: this value is string but int was requested");
  EXPECT_EQ(raised([] { Value().get_array(); }), "type error: this value is null but array was requested");
  EXPECT_EQ(raised([] { Value(true).get_string(); }), "type error: this value is bool but string was requested");
}

TEST(TomlValue, SetPushAndMakePath) {
  Value v;
  v.set("k", Value(true));
  EXPECT_EQ(v.kind(), V_TABLE);
  v.set("a.b", Value(std::int64_t{2}));
  EXPECT_EQ(v.count(), 2u);
  EXPECT_EQ(v.get_table().count("a.b"), 1u);
  v.set("k", Value(false));
  EXPECT_FALSE(v.lookup("k")->get_bool());
  EXPECT_EQ(raised([&] { v.push(Value()); }), "type must be array to do push(Value).");

  Value array;
  array.push(Value(std::int64_t{1}));
  EXPECT_EQ(array.kind(), V_ARRAY);
  EXPECT_EQ(raised([&] { array.set("k", Value()); }), "type must be table to do set(key, v).");

  Value table{ValueTable()};
  Value* leaf = table.make_path("a.b");
  EXPECT_EQ(leaf->kind(), V_NULL);
  EXPECT_EQ(table.lookup("a")->kind(), V_TABLE);
  EXPECT_EQ(table.make_path("a.b"), leaf);
  Value with_int = parsed("a = 1\n");
  EXPECT_EQ(raised([&] { with_int.make_path("a.b"); }), "encountered non table value");
  EXPECT_EQ(raised([&] { table.make_path("a..b"); }), "invalid key");
  EXPECT_EQ(raised([&] { table.make_path("a b"); }), "invalid key");
  EXPECT_EQ(raised([&] { Value(true).make_path("a"); }), "encountered non table value");
}

TEST(TomlValue, CopiesAreDeepAndMovesLeaveNull) {
  Value original = parsed("a = [1, 2]\n[t]\ns = \"x\"\n");
  Value copy = original;
  original.mutable_table().at("a").mutable_array().clear();
  EXPECT_EQ(copy.lookup("a")->count(), 2u);
  Value moved = std::move(copy);
  EXPECT_EQ(copy.kind(), V_NULL);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(moved.lookup("t.s")->get_string(), "x");
}

TEST(TomlValue, TablesIterateInByteOrder) {
  Value root = parsed("zeta = 1\nalpha = 2\nBeta = 3\n");
  std::vector<std::string> keys;
  for (const auto& [key, value] : root.get_table()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"Beta", "alpha", "zeta"}));
}

TEST(Value, MovingADescendantIntoItsAncestorKeepsTheDescendant) {
  Value root;
  *root.make_path("a.b.c") = Value(std::int64_t{7});
  Value* a = root.make_path("a");
  root = std::move(*a);
  ASSERT_EQ(root.kind(), V_TABLE);
  ASSERT_NE(root.lookup("b.c"), nullptr);
  EXPECT_EQ(root.lookup("b.c")->get_int(), 7);
  Value* b = root.make_path("b");
  *b = std::move(*b);  // itself
  EXPECT_EQ(root.lookup("b.c")->get_int(), 7);
}
