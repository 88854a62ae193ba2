# The commands of the project; scripts/ does the work.
#   make demo [ARCH=x64|x86]   the demo on the 64-bit (default) or the 32-bit build
#   make test                  every test of every build
#   make bench [ARCH=x64|x86]  the benchmarks on the 64-bit (default) or 32-bit build: one table
#   make reference             docs/reference.md written again from the type library
#   make package               the installer packages build/package/KelMsgs-x64.msi and -x86.msi
.PHONY: demo test bench build clean reference package

ARCH ?= x64
ifeq ($(filter $(ARCH),x64 x86),)
$(error ARCH must be x64 or x86)
endif

demo: build
	KELMSGS_ARCH=$(ARCH) scripts/demo.sh

test:
	scripts/test.sh

bench:
	scripts/bootstrap.sh packages
	KELMSGS_ARCH=$(ARCH) scripts/bench.sh

build:
	scripts/bootstrap.sh packages
	cmake --preset mingw-$(ARCH) >/dev/null
	cmake --build --preset mingw-$(ARCH)
	KELMSGS_ARCH=$(ARCH) scripts/bootstrap.sh prefix build/mingw-$(ARCH)/bin

package:
	scripts/bootstrap.sh packages
	scripts/package.sh

reference: build
	cmake --build --preset mingw-x64 --target reference

clean:
	rm -rf build
