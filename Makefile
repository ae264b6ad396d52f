# The two entry points of the project:
#   make demo   set up, build, then drive a project from Python stand-alone
#   make test   set up, build, then run every C++ and Python test
PYTHON     := /usr/bin/python3
BUILD_DIR  := build
JOBS       := $(shell nproc 2>/dev/null || echo 4)

export QT_QPA_PLATFORM := offscreen

.PHONY: all deps build demo test test-cpp test-python clean

all: build

deps:
	@tools/install-deps

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPython3_EXECUTABLE=$(PYTHON) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

demo: build
	PYTHONPATH=$(BUILD_DIR)/python $(PYTHON) examples/demo.py

test: build
	@$(MAKE) --no-print-directory test-cpp test-python

test-cpp:
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-python:
	PYTHONPATH=$(BUILD_DIR)/python PLINX_BUILD_DIR=$(abspath $(BUILD_DIR)) \
	  $(PYTHON) -m pytest -q -p no:cacheprovider tests/python

clean:
	rm -rf $(BUILD_DIR)
