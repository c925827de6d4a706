// SPDX-License-Identifier: GPL-2.0
/*
 * An SPI controller for the kernel tests whose input line is wired to its
 * output line: every transfer reads back what it sent, and a transfer without
 * data to send reads zeros. No SPI controller of Debian's kernel can be used
 * in a virtual machine. One device sits on chip select 0, bound to spidev,
 * so that user space reaches the bus through /dev/spidevB.0.
 */
#include <linux/module.h>
#include <linux/platform_device.h>
#include <linux/spi/spi.h>
#include <linux/string.h>

static struct platform_device *parent;
static struct spi_controller *controller;

static int loopback_transfer_one(struct spi_controller *unused, struct spi_device *device,
				 struct spi_transfer *transfer)
{
	if (transfer->rx_buf && transfer->tx_buf)
		memcpy(transfer->rx_buf, transfer->tx_buf, transfer->len);
	else if (transfer->rx_buf)
		memset(transfer->rx_buf, 0, transfer->len);
	return 0; /* done: no completion to wait for */
}

static int add_spidev(void)
{
	struct spi_device *device = spi_alloc_device(controller);
	int ret;

	if (!device)
		return -ENOMEM;
	device->chip_select = 0;
	device->max_speed_hz = 1000000;
	device->mode = SPI_MODE_0;
	device->bits_per_word = 8;
	strscpy(device->modalias, "spidev", sizeof(device->modalias));
	/* spidev matches no name that a device like this one would carry. */
	ret = driver_set_override(&device->dev, &device->driver_override, "spidev", strlen("spidev"));
	if (!ret)
		ret = spi_add_device(device);
	if (ret)
		spi_dev_put(device);
	return ret;
}

static int __init ombix_test_spi_init(void)
{
	int ret;

	parent = platform_device_register_simple("ombix-test-spi", PLATFORM_DEVID_NONE, NULL, 0);
	if (IS_ERR(parent))
		return PTR_ERR(parent);
	controller = spi_alloc_master(&parent->dev, 0);
	if (!controller) {
		ret = -ENOMEM;
		goto unregister_parent;
	}
	controller->bus_num = -1;
	controller->num_chipselect = 1;
	controller->mode_bits = SPI_CPOL | SPI_CPHA | SPI_CS_HIGH | SPI_LSB_FIRST;
	controller->bits_per_word_mask = SPI_BPW_RANGE_MASK(1, 32);
	controller->transfer_one = loopback_transfer_one;
	ret = spi_register_controller(controller);
	if (ret) {
		spi_controller_put(controller);
		goto unregister_parent;
	}
	ret = add_spidev();
	if (ret) {
		spi_unregister_controller(controller);
		goto unregister_parent;
	}
	return 0;

unregister_parent:
	platform_device_unregister(parent);
	return ret;
}

static void __exit ombix_test_spi_exit(void)
{
	spi_unregister_controller(controller);
	platform_device_unregister(parent);
}

module_init(ombix_test_spi_init);
module_exit(ombix_test_spi_exit);
MODULE_DESCRIPTION("SPI loopback test controller with spidev on chip select 0");
MODULE_LICENSE("GPL");
