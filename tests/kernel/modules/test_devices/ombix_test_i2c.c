// SPDX-License-Identifier: GPL-2.0
/*
 * A plain-I2C adapter for the kernel tests. Debian's kernel has no adapter
 * usable in a virtual machine that carries raw I2C messages (i2c-stub speaks
 * SMBus only), so this one does: it answers at one address as a 256-byte
 * register device whose 8-bit register pointer advances with every byte read
 * or written, the way small EEPROMs and sensor chips behave, and NACKs every
 * other address. SMBus calls reach it through the I2C core's emulation.
 *
 * Register n starts out holding n, so that a read at a wrong offset shows.
 * A write message sets the pointer from its first byte and stores the rest;
 * a read message returns bytes from the pointer on; the pointer survives a
 * repeated start, so "write pointer, read data" is one combined transfer.
 */
#include <linux/i2c.h>
#include <linux/module.h>

#define REGISTER_COUNT 256

static unsigned short address = 0x50;
module_param(address, ushort, 0444);
MODULE_PARM_DESC(address, "7-bit address of the register device (default 0x50)");

/* The I2C core runs one transfer at a time on an adapter: no lock here. */
static u8 pointer;
static u8 registers[REGISTER_COUNT];

static int register_device_xfer(struct i2c_adapter *adapter, struct i2c_msg *messages, int count)
{
	int m;
	u16 i;

	for (m = 0; m < count; m++) {
		struct i2c_msg *message = &messages[m];

		if ((message->flags & I2C_M_TEN) || message->addr != address)
			return -ENXIO;
		/* SMBus block reads are not among the emulated calls offered. */
		if (message->flags & I2C_M_RECV_LEN)
			return -EOPNOTSUPP;
		if (message->flags & I2C_M_RD) {
			for (i = 0; i < message->len; i++)
				message->buf[i] = registers[pointer++];
		} else if (message->len > 0) {
			pointer = message->buf[0];
			for (i = 1; i < message->len; i++)
				registers[pointer++] = message->buf[i];
		}
	}
	return count;
}

static u32 register_device_functionality(struct i2c_adapter *adapter)
{
	return I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL;
}

static const struct i2c_algorithm register_device_algorithm = {
	.master_xfer = register_device_xfer,
	.functionality = register_device_functionality,
};

/* No class: chip drivers must not probe this bus on their own. */
static struct i2c_adapter adapter = {
	.owner = THIS_MODULE,
	.algo = &register_device_algorithm,
	.name = "ombix test I2C adapter",
};

static int __init ombix_test_i2c_init(void)
{
	int i;

	if (address < 0x03 || address > 0x77)
		return -EINVAL;
	for (i = 0; i < REGISTER_COUNT; i++)
		registers[i] = i;
	return i2c_add_adapter(&adapter);
}

static void __exit ombix_test_i2c_exit(void)
{
	i2c_del_adapter(&adapter);
}

module_init(ombix_test_i2c_init);
module_exit(ombix_test_i2c_exit);
MODULE_DESCRIPTION("Plain-I2C test adapter with a register device");
MODULE_LICENSE("GPL");
