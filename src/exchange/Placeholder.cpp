// Until this library has its first unit.
