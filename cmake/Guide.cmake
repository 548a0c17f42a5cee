# The guide: a Zorvik site in docs/guide/, copied into the build folder and built there by the
# zorvik command itself, so that the build's guide is build/guide/html/.
file(GLOB_RECURSE guide_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/guide/*)
set(guide ${CMAKE_BINARY_DIR}/guide)
add_custom_command(
  OUTPUT ${guide}/html/index.html
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${guide}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/docs/guide ${guide}
  COMMAND ${CMAKE_COMMAND} -DDIR=${guide}/examples -DOUTPUT=${guide}/templates/examples.dat
          -P ${PROJECT_SOURCE_DIR}/cmake/GuideExamples.cmake
  # The log is shown only when the guide does not build.
  COMMAND sh -c "\"$0\" batch \"$1\" 2>\"$2\" || { cat \"$2\"; exit 1; }"
          $<TARGET_FILE:zorvik> ${guide}/guide.gro ${guide}/build.log
  DEPENDS ${guide_sources} zorvik ${PROJECT_SOURCE_DIR}/cmake/GuideExamples.cmake
  COMMENT "Building the guide with zorvik batch"
  VERBATIM)
add_custom_target(guide ALL DEPENDS ${guide}/html/index.html)
