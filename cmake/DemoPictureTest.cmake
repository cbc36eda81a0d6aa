# The test demo_picture (cmake -P): mkdemo draws the demo's animated picture anew into the
# build, from the bundled picture there. Where ImageMagick is installed, that GIF must decode
# without a warning into the frames mkdemo says it drew, each of 320 x 240 pixels, and its
# last frame must be near the screen's, which mkdemo writes beside it: only the palette's
# colours stand between them. And it must be the committed docs/prismwarp.gif to the byte.
# In: MKDEMO (the tool), BUILD_DIR (the build, holding lsd.bmp), COMMITTED (the GIF).

set(drawn "${BUILD_DIR}/prismwarp.gif")
set(last "${BUILD_DIR}/prismwarp-last-frame.bmp")
file(REMOVE "${drawn}" "${last}")
execute_process(COMMAND "${MKDEMO}" "${drawn}" "${last}" WORKING_DIRECTORY "${BUILD_DIR}"
                RESULT_VARIABLE status OUTPUT_VARIABLE said)
string(STRIP "${said}" said)
message(STATUS "${said}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "mkdemo could not draw ${drawn} (status ${status})")
endif()
if(NOT said MATCHES ": ([0-9]+) frames, ")
  message(FATAL_ERROR "mkdemo did not say how many frames it drew")
endif()
set(frames ${CMAKE_MATCH_1})

find_program(IDENTIFY identify)
find_program(COMPARE compare)
if(IDENTIFY AND COMPARE)
  # -regard-warnings: a corrupt or short LZW stream, which ImageMagick reads as far as it
  # can, fails.
  execute_process(COMMAND "${IDENTIFY}" -regard-warnings -format "%wx%h\n" "${drawn}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE sizes ERROR_VARIABLE warnings)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "ImageMagick cannot read ${drawn}: ${warnings}")
  endif()
  string(REPEAT "320x240\n" ${frames} expected)
  if(NOT sizes STREQUAL expected)
    message(FATAL_ERROR "ImageMagick reads ${drawn} as frames of\n${sizes}expected ${frames} "
                        "of 320x240")
  endif()
  message(STATUS "ImageMagick reads its ${frames} frames of 320x240")

  # The mean of the channels' differences, over 255. The palette's own is 0.04 to 0.075 in
  # the demo's frames; an LZW stream decoded wrong, or pixels given a neighbouring entry of
  # the palette (0.1 in the last frame), are further off.
  math(EXPR index "${frames} - 1")
  execute_process(COMMAND "${COMPARE}" -metric MAE "${drawn}[${index}]" "${last}" null:
                  RESULT_VARIABLE status ERROR_VARIABLE metric)
  if(status GREATER 1 OR NOT metric MATCHES "\\(([0-9.e-]+)\\)")
    message(FATAL_ERROR "ImageMagick cannot compare the last frame with ${last}: ${metric}")
  endif()
  set(difference ${CMAKE_MATCH_1})
  if(NOT difference LESS 0.08)
    message(FATAL_ERROR "the GIF's last frame is ${difference} off the screen's (${last}), "
                        "where the palette alone would keep it below 0.08")
  endif()
  message(STATUS "its last frame is ${difference} off the screen's")
else()
  message(STATUS "ImageMagick is not installed: the GIF is not decoded")
endif()

execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${drawn}" "${COMMITTED}"
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR
    "${drawn} is not the committed ${COMMITTED}: the demo looks otherwise now, or the "
    "committed picture is missing. Redraw it with\n"
    "  cmake --build ${BUILD_DIR} --target demo_picture\n"
    "and commit it.")
endif()
message(STATUS "the committed ${COMMITTED} is up to date")
