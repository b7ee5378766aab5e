# Fills the completion template with the word lists the program prints (see CompletionWords.cpp)
# and the options of tessaro-cli's help. Called with -DWORDS=<tool> -DCLI=<tessaro-cli>
# -DIN=<template> -DOUT=<script>.
execute_process(COMMAND ${WORDS} OUTPUT_VARIABLE lines COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)
foreach(key READABLE SAVEABLE PAPERS FILTERS)
  if(NOT lines MATCHES "(^|\n)${key}=([^\n]*)")
    message(FATAL_ERROR "completion words: no ${key}")
  endif()
  set(TESSARO_${key} "${CMAKE_MATCH_2}")
endforeach()

# An option is a word of its own: "--dot" in "--dot-Optionen" is none. Every other character
# becomes two spaces first, so that each word stands between spaces and none is a list's bracket.
string(REGEX REPLACE "[^A-Za-z0-9_-]" "  " words " ${help} ")
string(REGEX MATCHALL " --?[a-z]([a-z-]*[a-z])? " found "${words}")
list(TRANSFORM found STRIP OUTPUT_VARIABLE options)
list(REMOVE_DUPLICATES options)
list(SORT options)
list(JOIN options " " TESSARO_OPTIONS)
configure_file(${IN} ${OUT} @ONLY)
