# The Debian package (cpack -G DEB, or scripts/package.sh): what
# `cmake --install` puts below /usr. Its dependencies are the runtime
# libraries the executables link (found by dpkg-shlibdeps: Qt 6, libjpeg62-turbo,
# libpng16, ...) and the Qt plugin that draws the SVG icons, which nothing
# links.
set(CPACK_PACKAGE_NAME qinghe)
set(CPACK_PACKAGE_VENDOR "Qinghe")
set(CPACK_PACKAGE_CONTACT "Qinghe <qinghe@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "household bookkeeping with ledgers, receipts and backups")
set(CPACK_PACKAGE_DESCRIPTION
    "青禾 家庭流水记账软件: a family keeps its income and expense entries in ledgers, sees totals and balances, searches and summarises entries, attaches receipt pictures and exports entries, protected by a login password, ledger passwords, an idle lock and backups. The interface is in Chinese. Includes qinghe-cli for scripts, checks and repair.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's translations put Qt's own dialogs (file choosers, input boxes) in Chinese.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
include(CPack)
