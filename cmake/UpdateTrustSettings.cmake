# The agent's update trust, build configuration like the package server:
#
#   UPDATE_PUBLIC_KEY         the vendor's minisign public key, the second line
#                             of the .pub file that minisign -G writes; with
#                             it the agent opens only a feed and a disk image
#                             signed by that key. Without it, updates are not
#                             verified, and the agent says so at start.
#   UPDATE_FEED_MAX_AGE_DAYS  days after signing that a feed is still
#                             accepted (empty: no limit).
#
# A value that is not one of these stops the configuration with a message.
# Also run on its own (cmake -D... -P) by the tests of these checks.
set(UPDATE_PUBLIC_KEY "" CACHE STRING
    "minisign public key the agent verifies updates with (the second line of minisign -G's .pub file)")
set(UPDATE_FEED_MAX_AGE_DAYS "" CACHE STRING
    "Days after signing that the agent still accepts a release feed (empty: no limit)")

# 42 bytes in 56 base64 characters without padding, the first two bytes
# "Ed" ("RW" and one of Q, R, S, T): every such line is a key the agent reads.
string(LENGTH "${UPDATE_PUBLIC_KEY}" update_key_length)
if(NOT UPDATE_PUBLIC_KEY STREQUAL ""
   AND (NOT UPDATE_PUBLIC_KEY MATCHES "^RW[QRST][A-Za-z0-9+/]+$" OR NOT update_key_length EQUAL 56))
  message(FATAL_ERROR "UPDATE_PUBLIC_KEY is not a minisign public key: \"${UPDATE_PUBLIC_KEY}\". "
    "Give the second line of the .pub file that minisign -G wrote (56 characters, starting with RW).")
endif()
if(NOT UPDATE_FEED_MAX_AGE_DAYS STREQUAL "" AND NOT UPDATE_FEED_MAX_AGE_DAYS MATCHES "^[1-9][0-9]?[0-9]?[0-9]?$")
  message(FATAL_ERROR "UPDATE_FEED_MAX_AGE_DAYS must be a number of days from 1 to 9999, or empty for no limit, "
    "not \"${UPDATE_FEED_MAX_AGE_DAYS}\"")
endif()
if(NOT UPDATE_FEED_MAX_AGE_DAYS STREQUAL "" AND UPDATE_PUBLIC_KEY STREQUAL "")
  message(FATAL_ERROR "UPDATE_FEED_MAX_AGE_DAYS needs UPDATE_PUBLIC_KEY: a feed's age is read from its signature")
endif()
