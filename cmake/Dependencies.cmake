# Imported targets for the Debian libraries the project uses.
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
    libavcodec libavformat libavfilter libavutil libswscale libswresample libavdevice)
pkg_check_modules(SDL REQUIRED IMPORTED_TARGET sdl SDL_ttf SDL_image)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
pkg_check_modules(SQLITE REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(TAGLIB REQUIRED IMPORTED_TARGET taglib)
pkg_check_modules(LOG4CPP REQUIRED IMPORTED_TARGET log4cpp)
pkg_check_modules(JSONCPP REQUIRED IMPORTED_TARGET jsoncpp)
pkg_check_modules(DVD REQUIRED IMPORTED_TARGET dvdread dvdnav)
pkg_check_modules(CDIO REQUIRED IMPORTED_TARGET libcdio libcdio_cdda libcdio_paranoia)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets)
find_package(GTest REQUIRED)
