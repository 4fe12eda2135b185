"""The Python package against the built-in simulator: a whole delivery, the
driver's refusal and a failed transport as exceptions, bad arguments."""

import time

import pytest

import kavo5000
from kavo5000 import ChannelStatus, StateClass

CH, DISPENSER, NOZZLE = 1, 1, 1
POLL_SECONDS = 0.2
MOST_POLLS = 150


@pytest.fixture
def driver():
    with kavo5000.Driver(ports={CH: "sim"}) as d:
        yield d


def test_a_whole_delivery(driver):
    litres_before, _ = driver.total_counters(CH, DISPENSER, NOZZLE)
    driver.set_price(CH, DISPENSER, NOZZLE, 52.40)
    driver.preset_volume(CH, DISPENSER, NOZZLE, 1.00)
    driver.start(CH, DISPENSER, NOZZLE)
    assert driver.channel_status(CH) is ChannelStatus.VALID
    finished = closed = False
    for _ in range(MOST_POLLS):
        time.sleep(POLL_SECONDS)
        state = driver.state(CH, DISPENSER, 1).nozzles[0].state_class
        finished = finished or state is StateClass.FINISHED
        closed = finished and state in (StateClass.IDLE, StateClass.LIFTED)
        if closed:
            break
    assert closed
    assert driver.delivery_counters(CH, DISPENSER) == pytest.approx((1.00, 52.40))
    litres_after, _ = driver.total_counters(CH, DISPENSER, NOZZLE)
    assert litres_after == pytest.approx(litres_before + 1.00)


def test_the_drivers_refusal_and_a_failed_transport(driver):
    with pytest.raises(kavo5000.RefusedError, match="Недопустимое значение") as refused:
        driver.set_price(CH, DISPENSER, NOZZLE, 1000.00)
    assert isinstance(refused.value, kavo5000.Error)
    with pytest.raises(kavo5000.SerialIOError, match="Ошибка задания цены"):
        driver.set_price(CH + 1, DISPENSER, NOZZLE, 52.40)  # a channel without a port


@pytest.mark.parametrize("ports, error", [
    ({21: "sim"}, kavo5000.UsageError),
    ({CH: "tcp://nowhere"}, kavo5000.UsageError),
    ({CH: "/nonexistent/tty"}, kavo5000.NotFoundError),
])
def test_bad_arguments(ports, error):
    with pytest.raises(error):
        kavo5000.Driver(ports=ports)


def test_a_closed_driver_refuses_calls(driver):
    driver.close()
    with pytest.raises(kavo5000.UsageError):
        driver.channel_status(CH)
