# The entry points of the project:
#   make demo       set up, build, then drive a project from Python stand-alone
#   make test       set up, build, then run every C++ and Python test
#   make test-asan  the same tests built with AddressSanitizer and
#                   UndefinedBehaviorSanitizer (build-asan/)
#   make fuzz       every fuzz mode (calls, graphs, deletion, callbacks,
#                   threads, world) in a plain interpreter and in the
#                   embedding host, a budget of FUZZ_CALLS each (FUZZ_MODE
#                   picks some, FUZZ_SEED repeats a run, FUZZ_TIME bounds it
#                   in seconds)
#   make fuzz-asan  the same on the sanitizer build
#   make bench      the binding's costs and footage reads, as ratios to
#                   baselines of the same run
PYTHON     := /usr/bin/python3
BUILD_DIR  := build
ASAN_DIR   := build-asan
JOBS       := $(shell nproc 2>/dev/null || echo 4)
FUZZ_CALLS := 100000
FUZZ_JOBS  := 4
# all, or modes separated by commas (calls,graphs,deletion,callbacks,threads,world)
FUZZ_MODE  := all
FUZZ_SEED  :=
# Seconds for a whole fuzz run (none: the budget of calls decides), and
# more options of tests/fuzz/fuzz.py.
FUZZ_TIME    :=
FUZZ_OPTIONS :=
# Debug information of both builds; CI keeps line tables only (-g1), which
# build and link faster and still place every sanitizer report.
DEBUG_INFO := -g

export QT_QPA_PLATFORM := offscreen

# The interpreter is not instrumented: the sanitizer runtime is preloaded
# into it, and its own leaks are not ours to report (the C++ tests report
# leaks, less those of the libraries in tests/sanitizer/lsan.supp). PySide2's own wrappers
# carry an uninitialised flag that the sanitizer's fill pattern would set
# (the frame clears it on the wrappers it makes), hence the zero fill.
# (with the C++ runtime, which the sanitizer must find when it starts).
ASAN_RUNTIME := $(shell gcc -print-file-name=libasan.so) $(shell gcc -print-file-name=libstdc++.so)
ASAN_COMMON := malloc_fill_byte=0:abort_on_error=1:detect_odr_violation=0
ASAN_ENV := ASAN_OPTIONS=detect_leaks=0:$(ASAN_COMMON) UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# The leak checker misreads the dynamic TLS of libraries opened at run time
# (the image kit's) and dies scanning it: it scans no dynamic TLS.
ASAN_CPP_ENV := ASAN_OPTIONS=detect_leaks=1:intercept_tls_get_addr=0:$(ASAN_COMMON) \
                LSAN_OPTIONS=suppressions=$(abspath tests/sanitizer/lsan.supp):print_suppressions=0 \
                UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: all deps build build-asan demo test test-cpp test-python test-asan fuzz fuzz-asan bench clean

all: build

deps:
	@tools/install-deps

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 $(DEBUG_INFO) -DNDEBUG" -DPython3_EXECUTABLE=$(PYTHON) >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

demo: build
	PYTHONPATH=$(BUILD_DIR)/python $(PYTHON) examples/demo.py

test: build
	@$(MAKE) --no-print-directory test-cpp test-python

test-cpp:
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# pytest over tests/python in an environment: the tests in parallel, JOBS
# worker processes, then those marked serial, alone (none: pytest's status 5).
PYTEST := $(PYTHON) -m pytest -q -p no:cacheprovider
define run-pytest
	$(1) $(PYTEST) -n $(JOBS) --dist loadgroup -m "not serial" tests/python
	$(1) $(PYTEST) -m serial tests/python || [ $$? -eq 5 ]
endef

test-python:
	$(call run-pytest,PYTHONPATH=$(BUILD_DIR)/python PLINX_BUILD_DIR=$(abspath $(BUILD_DIR)))

build-asan: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DPLINX_SANITIZE=ON \
	  -DCMAKE_CXX_FLAGS_DEBUG="$(DEBUG_INFO)" -DPython3_EXECUTABLE=$(PYTHON) >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_DIR) && $(ASAN_CPP_ENV) ctest --output-on-failure -j $(JOBS)
	$(call run-pytest,$(ASAN_ENV) LD_PRELOAD="$(ASAN_RUNTIME)" PYTHONPATH=$(ASAN_DIR)/python \
	  PLINX_BUILD_DIR=$(abspath $(ASAN_DIR)))

FUZZ_ARGS = --mode $(FUZZ_MODE) --host both --calls $(FUZZ_CALLS) --jobs $(FUZZ_JOBS) $(if $(FUZZ_SEED),--seed $(FUZZ_SEED)) \
  $(if $(FUZZ_TIME),--time-limit $(FUZZ_TIME)) $(FUZZ_OPTIONS)

fuzz: build
	$(PYTHON) tests/fuzz/fuzz.py --build $(BUILD_DIR) $(FUZZ_ARGS)

# The same on the sanitizer build: memory errors that would not kill the
# process do (slower: a smaller FUZZ_CALLS fits).
fuzz-asan: build-asan
	$(PYTHON) tests/fuzz/fuzz.py --sanitized --build $(ASAN_DIR) $(FUZZ_ARGS)

bench: build
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target keyframes_bench footage_baseline >/dev/null
	@PYTHONPATH=$(BUILD_DIR)/python:$(BUILD_DIR)/tests/probe $(PYTHON) bench/calls.py
	@PYTHONPATH=$(BUILD_DIR)/python $(PYTHON) bench/import.py
	@$(BUILD_DIR)/bench/keyframes_bench
	@PYTHONPATH=$(BUILD_DIR)/python:$(BUILD_DIR)/tests/probe $(PYTHON) bench/overrides.py
	@PYTHONPATH=$(BUILD_DIR)/python $(PYTHON) bench/image_bridge.py
	@PYTHONPATH=$(BUILD_DIR)/python PLINX_BUILD_DIR=$(abspath $(BUILD_DIR)) $(PYTHON) bench/footage.py

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)
