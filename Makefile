# The two commands of the README. Both install what is missing on a Debian 12 machine,
# configure and build; `make run` then starts the desk, `make test` runs every test, with a
# throwaway PostgreSQL server up for the tests that need one (scripts/test-with-server.sh).
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: run test build deps clean

run: build
	./$(BUILD_DIR)/src/tavrel $(if $(DATA_DIR),--data-dir "$(DATA_DIR)")

test: build
	./scripts/test-with-server.sh $(BUILD_DIR) --output-on-failure -j $(JOBS)

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS)

deps:
	./scripts/install-deps.sh

clean:
	rm -rf $(BUILD_DIR)
