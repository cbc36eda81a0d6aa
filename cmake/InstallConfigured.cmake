# Run when installing (from cmake/Packaging.cmake): writes the desktop entry and the man
# page for the prefix being installed to, and installs them and the changelog, the man
# page and the changelog compressed. file(INSTALL) puts DESTDIR in front and lists the
# files in the install manifest, as for every other file installed.
# In: prismwarp_version, prismwarp_packaging (the templates), prismwarp_stage (a folder of
# the build to write into), prismwarp_changelog, prismwarp_gzip and the GNUInstallDirs
# folders prismwarp_bindir, _datadir, _mandir and _docdir, each relative or absolute.

function(prismwarp_full_path variable relative)
  cmake_path(ABSOLUTE_PATH relative BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" NORMALIZE
             OUTPUT_VARIABLE full)
  set(${variable} "${full}" PARENT_SCOPE)
endfunction()

# gzip -9n: the best compression and no name or time in the header, as Debian wants them.
function(prismwarp_gzip file)
  execute_process(COMMAND "${prismwarp_gzip}" -9nf "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip could not compress ${file}")
  endif()
endfunction()

prismwarp_full_path(PRISMWARP_BINDIR "${prismwarp_bindir}")
prismwarp_full_path(datadir "${prismwarp_datadir}")
prismwarp_full_path(mandir "${prismwarp_mandir}")
prismwarp_full_path(docdir "${prismwarp_docdir}")
set(PRISMWARP_PICTURE_DIR "${datadir}/prismwarp")
set(PRISMWARP_VERSION "${prismwarp_version}")

file(REMOVE_RECURSE "${prismwarp_stage}")
configure_file("${prismwarp_packaging}/prismwarp.desktop.in"
               "${prismwarp_stage}/prismwarp.desktop" @ONLY)
configure_file("${prismwarp_packaging}/prismwarp.6.in" "${prismwarp_stage}/prismwarp.6" @ONLY)
prismwarp_gzip("${prismwarp_stage}/prismwarp.6")
configure_file("${prismwarp_changelog}" "${prismwarp_stage}/changelog" COPYONLY)
prismwarp_gzip("${prismwarp_stage}/changelog")

file(INSTALL "${prismwarp_stage}/prismwarp.desktop" DESTINATION "${datadir}/applications")
file(INSTALL "${prismwarp_stage}/prismwarp.6.gz" DESTINATION "${mandir}/man6")
file(INSTALL "${prismwarp_stage}/changelog.gz" DESTINATION "${docdir}")
