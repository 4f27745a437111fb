// The reader's worker under Wine with the real engine and model: a cancelled job gives no text,
// whether it was waiting (it never starts) or being read (it ends cancelled), and the next job is
// read.
#include "reading/text_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <mutex>

#include "support/windows.h"

namespace {

TEST(TextReader, ACancelledJobEndsWithoutItsTextAndTheNextIsRead) {
  std::ifstream in(CORVIX_TEXT_MODEL, std::ios::binary);
  const std::vector<uint8_t> model((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(model.empty()) << CORVIX_TEXT_MODEL;
  std::mutex lock;
  std::vector<TextReadResult> results;
  TTextReader reader(model, "chi_sim", std::chrono::seconds(5), [&](TextReadResult result) {
    const std::lock_guard hold(lock);
    results.push_back(std::move(result));
  });
  const auto blank = [] { return std::vector<uint8_t>(size_t{400} * 200 * 4, 255); };
  const uint64_t running = reader.Read(blank(), 400, 200), waiting = reader.Read(blank(), 400, 200);
  reader.Cancel(running);
  reader.Cancel(waiting);
  const uint64_t next = reader.Read(blank(), 400, 200);
  ASSERT_TRUE(testsupport::WaitFor([&] {
    const std::lock_guard hold(lock);
    return !results.empty() && results.back().Job == next;  // the jobs are taken in turn
  }, std::chrono::seconds(50)));
  for (const TextReadResult& result : results) {
    if (result.Job == next) {
      EXPECT_TRUE(result.Text.has_value()) << "the job after the cancelled ones was not read";
    } else {
      EXPECT_FALSE(result.Text.has_value()) << "job " << result.Job << " was read though cancelled";
      EXPECT_EQ(result.Failure, ReadFailure::Cancelled);
    }
  }
}

}  // namespace
