# `cmake --install build --prefix P`: the tool in P/bin, the files it ships in
# P/lib/packwright (found relative to the binary, so the tree can be moved), the man page,
# the shell completions and the documentation. The Debian package is made from this tree
# (scripts/make-deb.sh).
install(TARGETS packwright RUNTIME DESTINATION bin)
if(PACKWRIGHT_BUILD_STUB)
  install(FILES ${CMAKE_BINARY_DIR}/bin/stub.exe DESTINATION lib/packwright)
endif()
# The window driver of `packwright try`, in builds that make it.
install(FILES ${CMAKE_BINARY_DIR}/bin/driver.exe DESTINATION lib/packwright OPTIONAL)

set(PACKWRIGHT_DOC_DIR share/doc/packwright)
install(FILES README.md DESTINATION ${PACKWRIGHT_DOC_DIR})
install(DIRECTORY docs/ DESTINATION ${PACKWRIGHT_DOC_DIR}/docs)
install(DIRECTORY examples/ DESTINATION ${PACKWRIGHT_DOC_DIR}/examples)
