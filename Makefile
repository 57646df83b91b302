# Yvarn Thyre: make builds, make test runs every test (normal, sanitizer and
# fuzz builds, the Windows build under Wine where MinGW-w64 and Wine are
# installed, the arm programs under qemu beside the others where the cross
# compilers and qemu-user are), make play runs the main job in the folder
# play/, make windows cross-builds the Windows programs and their zip, make
# arm the arm64 and armhf programs, make arm-test their tests under qemu.
# Recipes that pipe a test run into grep fail when the tests fail.
SHELL := /bin/bash
.SHELLFLAGS := -o pipefail -c
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 6
# The suites wait more than they compute (doors answering keys, nights run by
# other processes): one test more than the cores at a time.
TEST_JOBS ?= $(shell echo $$(( $(JOBS) + 1 )))

.PHONY: all programs test test-plain test-sanitize fuzz test-windows windows arm arm-test arm-sanitize test-arm package-arm play \
	bench load reliability install uninstall package clean

all:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTHYRE_TESTS=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# The three programs and their manual pages alone, without the test suites
# and benches (GoogleTest or not): what install and package need.
programs:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTHYRE_TESTS=OFF >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

test: test-plain test-sanitize fuzz test-windows test-arm

test-plain: all
	cd $(BUILD) && ctest --output-on-failure -j $(TEST_JOBS)

# Line tables only (-g1): the sanitizers' reports name file and line, and the
# build takes about a tenth less time than with full debugging information.
test-sanitize:
	cmake -S . -B $(BUILD)-san -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DTHYRE_SANITIZE=ON >/dev/null
	cmake --build $(BUILD)-san -j $(JOBS)
	cd $(BUILD)-san && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(TEST_JOBS)

# Every parser of outside data under libFuzzer for a bounded time each
# (needs clang); new finds go to build-fuzz/corpus-<target>.
FUZZ_TARGETS = load dropfile settings stores stamp keys league
fuzz:
	@if command -v clang++ >/dev/null; then \
	  cmake -S . -B $(BUILD)-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DTHYRE_FUZZ=ON >/dev/null && \
	  cmake --build $(BUILD)-fuzz -j $(JOBS) --target $(addsuffix _fuzzer,$(FUZZ_TARGETS)) && \
	  for t in $(FUZZ_TARGETS); do \
	    seeds=tests/fuzz/corpora/$$t; [ $$t = load ] && seeds=tests/fuzz/corpus; \
	    mkdir -p $(BUILD)-fuzz/corpus-$$t; \
	    $(BUILD)-fuzz/tests/fuzz/$${t}_fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=130000 \
	      -print_final_stats=1 $(BUILD)-fuzz/corpus-$$t $$seeds > $(BUILD)-fuzz/$$t.log 2>&1; rc=$$?; \
	    grep -E "stat::number_of_executed_units" $(BUILD)-fuzz/$$t.log | sed "s/^/$$t: /"; \
	    if [ $$rc -ne 0 ]; then tail -60 $(BUILD)-fuzz/$$t.log; exit 1; fi; \
	  done; \
	else echo "clang++ not found: fuzzing skipped"; fi

# The Windows build, cross-compiled with MinGW-w64: thyre.exe, ydmaint.exe
# and thyrecfg.exe linked statically, and a zip with them and the guides.
WINBUILD ?= $(BUILD)-win
windows:
	cmake -S . -B $(WINBUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build $(WINBUILD) -j $(JOBS)
	cd $(WINBUILD) && cpack -G ZIP >/dev/null && ls -l yvarn-thyre-*-win64.zip

# With Wine installed: the Windows build's tests under Wine, then the Windows
# programs beside the Linux ones on the same game folders.  Wine's own
# services are started first with their output going nowhere: started by the
# first test, they would keep its output open and ctest waiting for minutes.
test-windows: all
	@if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then \
	  $(MAKE) --no-print-directory windows && \
	  export WINEDEBUG=-all && \
	  { [ -d "$${WINEPREFIX:-$$HOME/.wine}" ] || wineboot -i >/dev/null 2>&1 || true; } && \
	  (wineserver -p 300 >/dev/null 2>&1 &) && \
	  { wineboot >/dev/null 2>&1 || true; } && \
	  (cd $(WINBUILD) && ctest --output-on-failure -j $(JOBS)) && \
	  THYRE_WIN_BUILD=$(WINBUILD) ./$(BUILD)/tests/wine_tests; \
	else echo "MinGW-w64 or Wine not found: the Windows build and its tests skipped"; fi

# The Raspberry Pi builds, cross-compiled with Debian's cross compilers:
# arm64 (64-bit arm) in $(BUILD)-arm64, armhf (32-bit arm) in $(BUILD)-armhf.
# Each target's libgcrypt, zlib (and GoogleTest for its tests) come from a
# sysroot of the target's own packages, $(BUILD)-<arch>-sysroot, made by
# cmake/arm-sysroot.sh; their programs run here under qemu-user with it.
ARM_ARCHES ?= arm64 armhf
ARM_TRIPLET_arm64 = aarch64-linux-gnu
ARM_TRIPLET_armhf = arm-linux-gnueabihf
ARM_TESTS ?= OFF
# What a build without test suites makes; make test's cross-build checks
# need ydmaint and thyrecfg only (the door's arm builds are tested by
# make arm-test), which keeps make test within its 20 minutes.
ARM_TARGETS ?= thyre ydmaint thyrecfg compressed_docs
ARM_ROOT = $(abspath $(BUILD))
HAVE_ARM = command -v aarch64-linux-gnu-g++ >/dev/null && command -v arm-linux-gnueabihf-g++ >/dev/null && \
	command -v qemu-aarch64 >/dev/null && command -v qemu-arm >/dev/null

# make arm: the three programs of each (ARM_TESTS=ON: the test suites too;
# ARM_SANITIZE=ON: built with the sanitizers, in $(BUILD)-<arch>-san).
ARM_SANITIZE ?= OFF
ARM_DIR = $(BUILD)-$*$(if $(filter ON,$(ARM_SANITIZE)),-san)
arm: $(addprefix arm-build-,$(ARM_ARCHES))

arm-build-%:
	./cmake/arm-sysroot.sh $* $(ARM_ROOT)-$*-sysroot $(if $(filter ON,$(ARM_TESTS)),tests)
	cmake -S . -B $(ARM_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/$(ARM_TRIPLET_$*).cmake \
		-DTHYRE_SYSROOT=$(ARM_ROOT)-$*-sysroot -DCMAKE_BUILD_TYPE=Release -DTHYRE_TESTS=$(ARM_TESTS) \
		-DTHYRE_SANITIZE=$(ARM_SANITIZE) -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
	ASAN_OPTIONS=detect_leaks=0 cmake --build $(ARM_DIR) -j $(JOBS) $(if $(filter ON,$(ARM_TESTS)),,--target $(ARM_TARGETS))

# Both builds' unit tests and the door's end-to-end tests under qemu; the
# test programs start the arm programs by name (binfmt_misc), each build
# with its own sysroot as qemu's root.
arm-test:
	$(MAKE) --no-print-directory arm ARM_TESTS=ON
	./cmake/arm-binfmt.sh
	@for a in $(ARM_ARCHES); do \
	  echo "== $$a tests under qemu"; \
	  (cd $(BUILD)-$$a && QEMU_LD_PREFIX=$(ARM_ROOT)-$$a-sysroot ctest --output-on-failure -j $(JOBS) \
	    --timeout 900) || exit 1; \
	done

# The arm64 build with AddressSanitizer and UndefinedBehaviorSanitizer, its
# suites under qemu (here about 7 minutes to build and 12 to run).  The leak
# checker is off: it cannot work under qemu-user.
arm-sanitize:
	$(MAKE) --no-print-directory arm-build-arm64 ARM_TESTS=ON ARM_SANITIZE=ON
	./cmake/arm-binfmt.sh
	cd $(BUILD)-arm64-san && QEMU_LD_PREFIX=$(ARM_ROOT)-arm64-sysroot ASAN_OPTIONS=detect_leaks=0 \
		ctest --output-on-failure -j $(JOBS) --timeout 1500

# Part of make test: the arm programs (no test suites) next to this build
# and the Windows one; the same game folders played by each in turn must
# hold the same bytes, and a league packet made by each must be the same.
test-arm: all
	@if $(HAVE_ARM); then \
	  start=$$(date +%s); \
	  for a in $(ARM_ARCHES); do \
	    ./cmake/arm-sysroot.sh $$a $(ARM_ROOT)-$$a-sysroot; rc=$$?; \
	    if [ $$rc -eq 77 ]; then echo "arm packages not to be had here: the arm builds and their checks skipped"; exit 0; fi; \
	    [ $$rc -eq 0 ] || exit $$rc; \
	  done; \
	  $(MAKE) --no-print-directory arm ARM_TESTS=OFF ARM_TARGETS="ydmaint thyrecfg" && \
	  built=$$(date +%s) && echo "arm programs built in $$((built - start)) s" && \
	  THYRE_ARM64_BUILD=$(BUILD)-arm64 THYRE_ARM64_SYSROOT=$(ARM_ROOT)-arm64-sysroot \
	  THYRE_ARMHF_BUILD=$(BUILD)-armhf THYRE_ARMHF_SYSROOT=$(ARM_ROOT)-armhf-sysroot \
	  THYRE_WIN_BUILD=$$( [ -f $(WINBUILD)/ydmaint.exe ] && command -v wine >/dev/null && echo $(WINBUILD) ) \
	  ./$(BUILD)/tests/cross_tests && echo "cross-platform checks took $$(( $$(date +%s) - built )) s"; \
	else echo "arm cross compilers or qemu-user not found: the arm builds and their checks skipped"; fi

# Debian packages for both: $(BUILD)-<arch>/yvarn-thyre_<version>_<arch>.deb,
# each unpacked into a scratch root and run there under qemu.
package-arm: arm
	@for a in $(ARM_ARCHES); do \
	  (cd $(BUILD)-$$a && cpack -G DEB >/dev/null) && \
	  bash tests/ops/package_arm_test.sh $$a $(BUILD)-$$a $(ARM_ROOT)-$$a-sysroot || exit 1; \
	done

# One whole night at every limit, the fast and the plain searches side by side;
# then a caller's screens on the same kind of game.
bench: all
	./$(BUILD)/night_bench
	./$(BUILD)/screen_bench
	./$(BUILD)/league_bench

# Local play: a game with two computer houses in play/ when none runs there,
# then the door on this terminal.  `build/ydmaint -d play turn` plays a night.
# The reliability campaign at ten times the rounds of make test: nights
# killed at random moments, many writers at once, waiters racing on stale
# locks, every fault point, hostile callers.  Prints the figures.
# A busy BBS: 25 callers for a minute with human pauses (the night and the
# setup program in the middle), 50 in burst mode, then the largest number of
# callers whose 99th percentile stays under 100 ms (LOAD_SECONDS per step).
LOAD_SECONDS ?= 60
load: all
	./$(BUILD)/load_run -callers 25 -seconds $(LOAD_SECONDS)
	-./$(BUILD)/load_run -callers 50 -seconds $(LOAD_SECONDS) -burst
	@best=0; for n in 25 50 100 150 200; do \
	  line=$$(./$(BUILD)/load_run -callers $$n -seconds 20 -quiet | grep '^all:'); \
	  p99=$$(sed -E 's/.* 99th ([0-9.]+) ms, worst.*/\1/' <<<"$$line"); echo "$$n callers: $$line"; \
	  if awk "BEGIN{exit !($$p99 < 100)}"; then best=$$n; else break; fi; \
	done; echo "the most callers with a 99th percentile under 100 ms: $$best (of 25, 50, 100, 150, 200 tried)"

reliability: all
	THYRE_SOAK_SCALE=10 ./$(BUILD)/tests/maint_tests --gtest_filter='Reliability*:Faults*' | grep -E "figures|OK|FAILED"
	THYRE_SOAK_SCALE=10 ./$(BUILD)/tests/core_tests --gtest_filter='Lock.EightWaiters*' | grep -E "figures|OK|FAILED"
	THYRE_SOAK_SCALE=10 ./$(BUILD)/tests/player_launch_tests --gtest_filter='Hostile*' | grep -E "figures|OK|FAILED"

play: all
	@mkdir -p play
	@[ -f play/THYRE.DAT ] || ./$(BUILD)/ydmaint -d play new
	./$(BUILD)/thyre -l -g play/

# make install PREFIX=/usr/local: the programs in PREFIX/games, manual pages,
# the sysop's guide and its examples.  make package: a Debian package in
# build/.  Both build the programs only.
PREFIX ?= /usr/local
install: programs
	cmake --install $(BUILD) --prefix $(PREFIX)

package: programs
	cd $(BUILD) && cpack -G DEB
	@ls $(BUILD)/yvarn-thyre_*.deb

# Takes away what make install put in place (its list is in the build folder).
uninstall:
	@[ -f $(BUILD)/install_manifest.txt ] || { echo "nothing was installed from $(BUILD)"; exit 1; }
	xargs -d '\n' rm -f < $(BUILD)/install_manifest.txt
	@echo "removed the files listed in $(BUILD)/install_manifest.txt"

clean:
	rm -rf $(BUILD) $(BUILD)-san $(BUILD)-fuzz $(BUILD)-win $(foreach a,$(ARM_ARCHES),$(BUILD)-$(a) $(BUILD)-$(a)-sysroot)
