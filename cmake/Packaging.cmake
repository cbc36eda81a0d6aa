# Installing and packaging. On Windows the install is one folder that a user unpacks and
# runs from: the program, SDL.dll, the picture, a text on running it and the licence; CPack
# zips it. On
# Linux everything goes where the platform expects it (GNUInstallDirs), and CPack makes a
# Debian package of it. The program keeps reading lsd.bmp from its working folder; the
# desktop entry starts it in the folder of the installed picture.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(prismwarp_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(PRISMWARP_MAINTAINER "Prismwarp developers <prismwarp@example.org>"
  CACHE STRING "The packages' maintainer, as \"Name <address>\"")

if(TARGET picture)
  set(prismwarp_picture ${CMAKE_CURRENT_BINARY_DIR}/lsd.bmp)
endif()

if(WIN32)
  install(TARGETS prismwarp RUNTIME DESTINATION .)
  if(prismwarp_picture)
    install(FILES ${prismwarp_picture} DESTINATION .)
  endif()
  # SDL.dll from the SDL development folder that FindSDL used, with the text on its licence
  # and source that comes beside it (scripts/windows-sdl.sh writes README-SDL.txt, as SDL's
  # own Windows runtime has it).
  find_file(PRISMWARP_SDL_DLL SDL.dll HINTS ENV SDLDIR PATH_SUFFIXES bin lib
    DOC "SDL.dll, installed beside the program")
  if(PRISMWARP_SDL_DLL)
    install(PROGRAMS ${PRISMWARP_SDL_DLL} DESTINATION .)
    # Stripped along with the program (`cmake --install --strip`, CPack): its debugging
    # symbols are most of its size.
    if(CMAKE_STRIP)
      install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
          execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded
                                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/SDL.dll\")
        endif()")
    endif()
    get_filename_component(sdl_dll_dir ${PRISMWARP_SDL_DLL} DIRECTORY)
    if(EXISTS ${sdl_dll_dir}/README-SDL.txt)
      install(FILES ${sdl_dll_dir}/README-SDL.txt DESTINATION .)
    endif()
  else()
    message(WARNING "SDL.dll not found beside SDLDIR: the install leaves it out")
  endif()
  # Read in Notepad, so with Windows' line ends: how to run it, and the program's licence.
  configure_file(${prismwarp_packaging}/README-windows.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt
          DESTINATION .)
else()
  install(TARGETS prismwarp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(prismwarp_picture)
    install(FILES ${prismwarp_picture} DESTINATION ${CMAKE_INSTALL_DATADIR}/prismwarp)
  endif()
  install(FILES ${prismwarp_packaging}/prismwarp.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${prismwarp_packaging}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # The changelog entry of this version, dated by SOURCE_DATE_EPOCH where it is set (so a
  # package built twice from one commit is the same), else by the day of configuring.
  string(TIMESTAMP prismwarp_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  configure_file(${prismwarp_packaging}/changelog.in changelog @ONLY)
  # The desktop entry and the man page name the installed picture's folder, which is known
  # only when installing (`cmake --install --prefix`, or /usr in the Debian package); the
  # man page and the changelog are installed compressed, as Debian has them.
  find_program(PRISMWARP_GZIP gzip REQUIRED)
  install(CODE "
    set(prismwarp_version \"${PROJECT_VERSION}\")
    set(prismwarp_packaging \"${prismwarp_packaging}\")
    set(prismwarp_stage \"${CMAKE_CURRENT_BINARY_DIR}/install-stage\")
    set(prismwarp_changelog \"${CMAKE_CURRENT_BINARY_DIR}/changelog\")
    set(prismwarp_gzip \"${PRISMWARP_GZIP}\")
    set(prismwarp_bindir \"${CMAKE_INSTALL_BINDIR}\")
    set(prismwarp_datadir \"${CMAKE_INSTALL_DATADIR}\")
    set(prismwarp_mandir \"${CMAKE_INSTALL_MANDIR}\")
    set(prismwarp_docdir \"${CMAKE_INSTALL_DOCDIR}\")
    include(\"${PROJECT_SOURCE_DIR}/cmake/InstallConfigured.cmake\")")
endif()

# The packages: prismwarp_VERSION_ARCH.deb, or prismwarp-VERSION-win64.zip holding one
# folder of that name.
set(CPACK_PACKAGE_NAME prismwarp)
set(CPACK_PACKAGE_VENDOR "Prismwarp developers")
set(CPACK_PACKAGE_CONTACT ${PRISMWARP_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture warped and colour-cycled in real time (SDL demo)")
set(CPACK_STRIP_FILES TRUE)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME prismwarp-${PROJECT_VERSION}-win64)
  else()
    set(CPACK_PACKAGE_FILE_NAME prismwarp-${PROJECT_VERSION}-win32)
  endif()
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The libraries' packages, as dpkg-shlibdeps finds them for the program.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
  # The error box is the first of these that runs; without any the error goes to stderr alone.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity | kdialog | x11-utils")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Prismwarp is a small real-time graphics demo. It opens a 320x240 window and
redraws, as fast as the machine allows, an animated, colour-cycling distortion
of the picture lsd.bmp in the folder it is started from. The Up arrow key mixes
every frame with the untouched picture; Down turns that off.

The menu entry starts it on the picture that comes with the package.")
endif()
include(CPack)
