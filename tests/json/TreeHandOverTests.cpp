// A decoded tree belongs to one thread at a time, and may move: decoded on
// one thread, handed through a queue, then read (which makes objects of the
// numbers held in slots), encoded and released on another. Under
// ThreadSanitizer this shows the hand-over is all the synchronisation a
// tree needs, while the decoding thread goes on making trees from the same
// memory pool.

#include "DecodingHelpers.h"

#include "foundation/objects/Array.h"
#include "foundation/objects/Dictionary.h"
#include "foundation/objects/Number.h"
#include "json/JSONDecoder.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

using namespace jotter;

namespace {

using foundation::Object;
using foundation::Ref;

// Trees passed from one thread to another; a null tree ends the stream.
class TreeQueue {
public:
    void push(Ref<Object> tree)
    {
        {
            std::lock_guard lock(mutex_);
            trees_.push_back(std::move(tree));
        }
        ready_.notify_one();
    }

    Ref<Object> pop()
    {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return !trees_.empty(); });
        Ref<Object> tree = std::move(trees_.front());
        trees_.pop_front();
        return tree;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Ref<Object>> trees_;
};

constexpr int Trees = 200;

std::string document(int index)
{
    return R"({"id": )" + std::to_string(index) + R"(, "scale": 0.5, "points": [[-65.25, 43.5], [1e300, -0.0]]})";
}

TEST(TreeHandOver, TreesDecodedOnOneThreadAreReadEncodedAndReleasedOnAnother)
{
    TreeQueue queue;
    std::thread decoding([&] {
        Ref<JSONDecoder> decoder = JSONDecoder::decoder();
        for (int index = 0; index < Trees; ++index) {
            std::string text = document(index);
            queue.push(decoder->objectWithUTF8String(text.data(), text.size()));
        }
        queue.push(nullptr);
    });
    int received = 0;
    while (Ref<Object> tree = queue.pop()) {
        const auto& root = static_cast<const foundation::Dictionary&>(*tree);
        EXPECT_EQ(static_cast<const foundation::Number*>(root.objectForKey("id"))->int64Value(), received);
        const auto& points = static_cast<const foundation::Array&>(*root.objectForKey("points"));
        EXPECT_EQ(points.objectAtIndex(0)->description(), "(\n    -65.25,\n    43.5\n)");
        EXPECT_EQ(jsonText(tree.get(), JTSerializeOptionPretty),
            "{\n  \"id\": " + std::to_string(received)
                + ",\n  \"points\": [\n    [\n      -65.25,\n      43.5\n    ],\n    [\n      1.0000000000000001e+300,\n      -0\n"
                  "    ]\n  ],\n  \"scale\": 0.5\n}");
        ++received;
    }
    decoding.join();
    EXPECT_EQ(received, Trees);
}

} // namespace
} // namespace testsupport
