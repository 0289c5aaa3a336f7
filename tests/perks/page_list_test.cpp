#include "perks/page_list.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <vector>

namespace tav::perks {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

api::PerkPageResource Page(int32_t id, int32_t order, bool editable = true) {
  api::PerkPageResource page;
  page.id = id;
  page.order = order;
  page.isEditable = editable;
  page.isDeletable = editable;
  return page;
}

PageMap Pages(std::vector<api::PerkPageResource> list) {
  PageMap pages;
  for (api::PerkPageResource& page : list) pages[page.id] = page;
  return pages;
}

// Stored orders in ascending page id.
std::vector<int32_t> Orders(const PageMap& pages) {
  std::vector<int32_t> orders;
  for (const auto& [id, page] : pages) orders.push_back(page.order);
  return orders;
}

// Editable pages 11, 12, 13, 14 with a read-only page 50 between 12 and 13:
// stored orders 0 1 [2] 3 4, renumbered for the walk 0 1 [2] 2 3.
TEST(PageList, ReorderWalksRenumberedPagesAndShiftsStoredOrders) {
  struct Case {
    const char* desc;
    api::UpdatePageOrderRequest request;
    bool changed;
    std::vector<int32_t> orders;  // of pages 11, 12, 13, 14, 50
  };
  const Case kCases[] = {
      {"last page after the first", {14, 11, 1}, true, {0, 2, 4, 1, 2}},
      {"first page before the last", {11, 14, -1}, true, {3, 0, 2, 3, 2}},
      {"offset 0 shares the destination's order", {12, 13, 0}, true, {0, 3, 3, 4, 2}},
      {"no renumbered page holds the new order", {11, 13, 1}, true, {4, 1, 3, 4, 2}},
      {"onto itself", {13, 13, 0}, false, {0, 1, 3, 4, 2}},
      {"already right after the destination", {12, 11, 1}, false, {0, 1, 3, 4, 2}},
      {"missing target", {99, 11, 1}, false, {0, 1, 3, 4, 2}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.desc);
    PageMap pages = Pages({Page(11, 0), Page(12, 1), Page(50, 2, false), Page(13, 3), Page(14, 4)});
    EXPECT_EQ(ReorderPages(pages, c.request, 11, 0), c.changed);
    EXPECT_EQ(Orders(pages), c.orders);
  }
}

TEST(PageList, ReorderOrdersSaturate) {
  PageMap pages = Pages({Page(1, 0), Page(2, 5), Page(3, kMax)});
  ASSERT_TRUE(ReorderPages(pages, {2, 1, 1}, 0, 0));
  EXPECT_EQ(Orders(pages), (std::vector<int32_t>{0, 1, kMax}));

  pages = Pages({Page(1, kMin + 1), Page(2, 6), Page(3, 20)});
  ASSERT_TRUE(ReorderPages(pages, {3, 2, -5}, 0, 0));
  EXPECT_EQ(Orders(pages), (std::vector<int32_t>{kMin, 1, 1}));

  pages = Pages({Page(1, -10), Page(2, kMax - 1)});
  ASSERT_TRUE(ReorderPages(pages, {1, 2, kMax}, 0, 0));
  EXPECT_EQ(pages.at(1).order, kMax);
  pages = Pages({Page(1, -10), Page(2, 10)});
  ASSERT_TRUE(ReorderPages(pages, {2, 1, kMin}, 0, 0));
  EXPECT_EQ(pages.at(2).order, kMin);
}

TEST(PageList, NeighbourAfterDelete) {
  const PageMap pages = Pages({Page(7, 0), Page(8, 1), Page(60, kMax - 3, false)});
  EXPECT_EQ(NeighbourAfterDelete(pages, 7, 7, 0), 8);
  EXPECT_EQ(NeighbourAfterDelete(pages, 8, 7, 0), 60);
  EXPECT_EQ(NeighbourAfterDelete(pages, 60, 7, 0), 8);
  EXPECT_EQ(NeighbourAfterDelete(pages, 9, 7, 0), 0);
  EXPECT_EQ(NeighbourAfterDelete(Pages({Page(7, 0)}), 7, 7, 0), 0);
}

TEST(PageList, DrawnIdsArePositiveAndUnused) {
  const PageMap pages = Pages({Page(7, 0), Page(8, 1)});
  struct Case {
    const char* desc;
    std::vector<uint32_t> draws;
    int32_t id;
  };
  const Case kCases[] = {
      {"first draw", {12}, 12},
      {"negative draw", {0xFFFFFFF4u}, 12},
      {"zero drawn again", {0, 9}, 9},
      {"-2147483648 drawn again", {0x80000000u, 5}, 5},
      {"ids in use drawn again", {7, 0xFFFFFFF8u, 0x7FFFFFFFu}, kMax},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.desc);
    size_t next = 0;
    auto random = [&] { return next < c.draws.size() ? c.draws[next++] : 1000u; };
    EXPECT_EQ(DrawPageId(pages, random), c.id);
    EXPECT_EQ(next, c.draws.size());
  }
}

}  // namespace
}  // namespace tav::perks
