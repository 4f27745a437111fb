// The reader's worker with the real engine: a cancelled job gives no text, waiting (it never starts)
// or being read (it ends cancelled); the next job is read.
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
  std::mutex lock;  // over the results
  std::vector<TextReadResult> results;
  TTextReader reader(model, "chi_sim", std::chrono::seconds(5), [&](TextReadResult result) {
    const std::lock_guard hold(lock);
    results.push_back(std::move(result));
  });
  const auto blank = [] { return std::vector<uint8_t>(size_t{400} * 200 * 4, 255); };
  const uint64_t running = reader.Read(blank(), 400, 200), waiting = reader.Read(blank(), 400, 200);
  reader.Cancel(running), reader.Cancel(waiting);
  const uint64_t next = reader.Read(blank(), 400, 200);
  ASSERT_TRUE(testsupport::WaitFor([&] {
    const std::lock_guard hold(lock);
    return !results.empty() && results.back().Job == next;  // the jobs are taken in turn
  }, std::chrono::seconds(50)));
  for (const TextReadResult& result : results)
    EXPECT_EQ(result.Text ? ReadFailure::None : result.Failure, result.Job == next ? ReadFailure::None : ReadFailure::Cancelled)
        << "job " << result.Job << ", the next " << next;
}

}  // namespace
