# Orvantide: the two builds, the tests, the demo, the benchmarks.
SHELL := /bin/bash
JOBS  ?= $(shell nproc)
BUILD := build
CMAKE_FLAGS ?=

DEB_PACKAGES := cmake make g++ clang libclang-rt-14-dev googletest libbenchmark-dev \
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev \
  wine wine32:i386 wine64 fonts-wine xvfb xauth x11-utils socat imagemagick zip nsis xxd python3 procps util-linux \
  zlib1g-dev libz-mingw-w64-dev fonts-dejavu-core poppler-utils qpdf enscript ghostscript \
  cups-daemon cups-client cups-core-drivers cups-filters libcups2-dev libcups2:i386

# The Windows build this host can run under Wine: win32 where i386 Linux
# programs run (32-bit Wine), else win64, the same sources built for
# x86-64, whose tests then stand in for the win32 tree's.  Read after deps.
WINE_ARCH = $(shell source tests/wine/env.sh && echo $$ORV_WINE_ARCH)

.PHONY: all deps build native win32 win64 test demo bench dist clean

all: build

# Quick when everything is present: one dpkg query, no apt at all.  The
# system's CUPS is never started: the tests run a private one, and a host
# without a policy-rc.d gets one that refuses service starts for the install.
deps:
	@missing=$$(dpkg-query -W -f='$${db:Status-Abbrev} $${binary:Package}\n' $(DEB_PACKAGES) 2>/dev/null \
	   | awk '$$1=="ii"{print $$2}' | sed 's/:amd64$$//' | sort >/tmp/orv-have.$$$$; \
	   for p in $(DEB_PACKAGES); do grep -qx "$$p" /tmp/orv-have.$$$$ || echo $$p; done; rm -f /tmp/orv-have.$$$$); \
	if [ -n "$$missing" ]; then \
	  echo "installing:" $$missing; \
	  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386; \
	  norc=; if [ ! -e /usr/sbin/policy-rc.d ]; then \
	    printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d && chmod 755 /usr/sbin/policy-rc.d && norc=1; fi; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing >/dev/null; \
	  rc=$$?; [ -z "$$norc" ] || rm -f /usr/sbin/policy-rc.d; exit $$rc; \
	fi

build: native win32 $(if $(filter win64,$(WINE_ARCH)),win64)

$(BUILD)/native/Makefile:
	cmake -S . -B $(BUILD)/native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

$(BUILD)/win32/Makefile:
	cmake -S . -B $(BUILD)/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
	  -DORV_WINE_TESTS=$(if $(filter win32,$(WINE_ARCH)),ON,OFF) $(CMAKE_FLAGS) >/dev/null

$(BUILD)/win64/Makefile:
	cmake -S . -B $(BUILD)/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

native: $(BUILD)/native/Makefile
	cmake --build $(BUILD)/native -j $(JOBS)

win32: $(BUILD)/win32/Makefile
	cmake --build $(BUILD)/win32 -j $(JOBS)

win64: $(BUILD)/win64/Makefile
	cmake --build $(BUILD)/win64 -j $(JOBS)

# One ctest summary over both trees (build/CTestTestfile.cmake names them).
test: deps build
	@printf 'subdirs("native")\nsubdirs("win32")\n$(if $(filter win64,$(WINE_ARCH)),subdirs("win64")\n)' > $(BUILD)/CTestTestfile.cmake
	@tests/wine/session start
	@cd $(BUILD) && ctest -j $(JOBS) --timeout 300 --output-on-failure $(CTEST_ARGS) \
	   > ctest.log 2>&1 </dev/null; rc=$$?; cd .. ; tests/wine/session stop; \
	   grep -v -E '^ *([0-9]+/[0-9]+ Test +#[0-9]+: .* Passed | *Start +[0-9]+: )' $(BUILD)/ctest.log | tail -n 60; exit $$rc

demo: deps build
	@tools/demo.sh

bench: deps build
	@bench/run.sh

dist: deps build
	@tools/dist.sh

clean:
	rm -rf $(BUILD)
