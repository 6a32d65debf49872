# The fixtures and the failure-report hook live in harness.py; importing them here registers them.
from harness import driver, launcher, operator_server, pytest_runtest_makereport  # noqa: F401
