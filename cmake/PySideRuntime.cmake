# Locates the Shiboken2 and PySide2 runtimes of the Debian packages for the
# interpreter found as Python3, and offers them as the target PySideRuntime.
execute_process(COMMAND ${Python3_EXECUTABLE} -c "import sysconfig; print(sysconfig.get_config_var('SOABI'))"
                OUTPUT_VARIABLE PYTHON_SOABI OUTPUT_STRIP_TRAILING_WHITESPACE)

find_path(SHIBOKEN2_INCLUDE_DIR shiboken.h PATH_SUFFIXES shiboken2 REQUIRED)
find_path(PYSIDE2_INCLUDE_DIR pyside.h PATH_SUFFIXES PySide2 REQUIRED)
find_library(SHIBOKEN2_LIBRARY NAMES shiboken2.${PYTHON_SOABI} REQUIRED)
find_library(PYSIDE2_LIBRARY NAMES pyside2.${PYTHON_SOABI} REQUIRED)

add_library(PySideRuntime INTERFACE)
target_include_directories(PySideRuntime SYSTEM INTERFACE
  ${SHIBOKEN2_INCLUDE_DIR} ${PYSIDE2_INCLUDE_DIR}
  ${PYSIDE2_INCLUDE_DIR}/QtCore ${PYSIDE2_INCLUDE_DIR}/QtGui ${PYSIDE2_INCLUDE_DIR}/QtWidgets)
target_link_libraries(PySideRuntime INTERFACE ${SHIBOKEN2_LIBRARY} ${PYSIDE2_LIBRARY} Python3::Python Qt5::Core)
