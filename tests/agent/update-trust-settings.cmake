cmake_minimum_required(VERSION 3.25)
# Runs the configuration's checks of the update key and the feed's maximum
# age on their own, for good and bad values, and fails on the first that is
# judged wrongly.  cmake -DMODULE=<cmake/UpdateTrustSettings.cmake> -P this
# Settings given together are separated by "|".
set(accepted
  "UPDATE_PUBLIC_KEY="
  "UPDATE_PUBLIC_KEY=RWT1om1a0gIAM0xPMLh0UDZh++P++wgI7hlrS+PHPVccjOcOtig1iIkv"
  "UPDATE_PUBLIC_KEY=RWT1om1a0gIAM0xPMLh0UDZh++P++wgI7hlrS+PHPVccjOcOtig1iIkv|UPDATE_FEED_MAX_AGE_DAYS=30")
set(refused
  "UPDATE_PUBLIC_KEY=RWT1om1a0gIAM0xPMLh0UDZh++P++wgI7hlrS+PHPVccjOcOtig1iIk"     # a character short
  "UPDATE_PUBLIC_KEY=RWT1om1a0gIAM0xPMLh0UDZh++P++wgI7hlrS+PHPVccjOcOtig1iIkvA"   # one too many
  "UPDATE_PUBLIC_KEY=RUT1om1a0gIAM0xPMLh0UDZh++P++wgI7hlrS+PHPVccjOcOtig1iIkv"    # a signature's algorithm
  "UPDATE_PUBLIC_KEY=RWT1om1a0gIAM0xPMLh0UDZh++P++wgI7hlrS+PHPVccjOcOtig1iI-v"    # not base64
  "UPDATE_PUBLIC_KEY=untrusted comment: minisign public key 330002D25A6DA2F5"
  "UPDATE_PUBLIC_KEY=RWT1om1a0gIAM0xPMLh0UDZh++P++wgI7hlrS+PHPVccjOcOtig1iIkv|UPDATE_FEED_MAX_AGE_DAYS=0"
  "UPDATE_PUBLIC_KEY=RWT1om1a0gIAM0xPMLh0UDZh++P++wgI7hlrS+PHPVccjOcOtig1iIkv|UPDATE_FEED_MAX_AGE_DAYS=two"
  "UPDATE_FEED_MAX_AGE_DAYS=30")                                                   # an age without a key
function(configure settings expectation)
  set(definitions)
  string(REPLACE "|" ";" settings "${settings}")
  foreach(setting ${settings})
    list(APPEND definitions "-D${setting}")
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} ${definitions} -P ${MODULE} RESULT_VARIABLE result ERROR_VARIABLE message)
  if(expectation STREQUAL "accepted" AND NOT result EQUAL 0)
    message(FATAL_ERROR "refused \"${settings}\": ${message}")
  elseif(expectation STREQUAL "refused" AND (result EQUAL 0 OR NOT message MATCHES "UPDATE_"))
    message(FATAL_ERROR "accepted \"${settings}\" (or refused it without naming the setting): ${message}")
  endif()
endfunction()
foreach(settings IN LISTS accepted)
  configure("${settings}" accepted)
endforeach()
foreach(settings IN LISTS refused)
  configure("${settings}" refused)
endforeach()
