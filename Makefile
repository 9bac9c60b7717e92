# make run   - install what is missing, build, start the sandbox service and open the wizard against it
# make test  - install, build and run every test headless
# make sanitize - the same tests on a build with AddressSanitizer and UndefinedBehaviorSanitizer
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS ?= $(shell nproc)

.PHONY: all deps build run test sanitize bench fuzz screenshots format clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# make install [PREFIX=/usr/local] [DESTDIR=/scratch/root] - the programs, desktop entry, icon, man page, README
# make package - the Debian package, BUILD/qimport_VERSION_ARCH.deb
PREFIX ?= /usr/local
.PHONY: install package

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

package: build
	cmake --build $(BUILD) --target package

$(SANITIZE_BUILD)/build.ninja:
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQIMPORT_SANITIZE=ON

sanitize: deps $(SANITIZE_BUILD)/build.ninja
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@scripts/sanitize.sh $(SANITIZE_BUILD)

bench: build
	@scripts/bench.sh $(BUILD)

fuzz:
	@scripts/fuzz.sh 300 $(BUILD)

screenshots: build
	@scripts/screenshots.sh $(BUILD)

format:
	clang-format -i $$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'sandbox/*.cpp' 'sandbox/*.h')

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
