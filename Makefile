# The two commands of the project; scripts/ does the work.
.PHONY: demo test build clean

demo: build
	scripts/demo.sh

test:
	scripts/test.sh

build:
	scripts/bootstrap.sh packages
	cmake --preset mingw-x64 >/dev/null
	cmake --build --preset mingw-x64
	scripts/bootstrap.sh prefix build/mingw-x64/bin

clean:
	rm -rf build
